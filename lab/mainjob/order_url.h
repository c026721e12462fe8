#pragma once
// The order page URL the client gave the browser, taken apart for display.
#include <string>
#include <utility>
#include <vector>

namespace mainjob {

// The query's fields in order, names and values percent-decoded (bytes as sent).
std::vector<std::pair<std::string, std::string>> queryFields(const std::string& url);

// The value of the last field of that name, or "" when there is none.
std::string fieldValue(const std::vector<std::pair<std::string, std::string>>& fields, const std::string& name);

}  // namespace mainjob
