#include "order_url.h"

#include <cstdlib>

namespace mainjob {
namespace {

std::string percentDecoded(const std::string& text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '%' && i + 2 < text.size() && isxdigit((unsigned char)text[i + 1]) &&
            isxdigit((unsigned char)text[i + 2])) {
            decoded += (char)strtol(text.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
        } else {
            decoded += text[i] == '+' ? ' ' : text[i];
        }
    }
    return decoded;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> queryFields(const std::string& url) {
    std::vector<std::pair<std::string, std::string>> fields;
    size_t start = url.find('?');
    if (start == std::string::npos) return fields;
    std::string query =
        url.substr(start + 1, url.find('#') == std::string::npos ? std::string::npos : url.find('#') - start - 1);
    size_t position = 0;
    while (position <= query.size()) {
        size_t end = query.find('&', position);
        if (end == std::string::npos) end = query.size();
        std::string field = query.substr(position, end - position);
        if (!field.empty()) {
            size_t equals = field.find('=');
            fields.emplace_back(percentDecoded(field.substr(0, equals)),
                                equals == std::string::npos ? "" : percentDecoded(field.substr(equals + 1)));
        }
        position = end + 1;
    }
    return fields;
}

std::string fieldValue(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& name) {
    std::string value;
    for (const auto& field : fields)
        if (field.first == name) value = field.second;
    return value;
}

}  // namespace mainjob
