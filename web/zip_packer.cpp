#include "zip_packer.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "error_msg.h"
#include "handles.h"
#include "paths.h"
#include "text_convert.h"

// zip.h first: iowin32.h relies on what it includes.
#include "zip.h"
#include "iowin32.h"

namespace web {
namespace {

// An archive being written; closed (without comment) when it goes, unless closed already.
class Archive {
public:
    explicit Archive(zipFile file) : m_file(file) {}
    ~Archive() {
        if (m_file) zipClose(m_file, nullptr);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    zipFile get() const { return m_file; }
    int close() {
        zipFile file = m_file;
        m_file = nullptr;
        return zipClose(file, nullptr);
    }

private:
    zipFile m_file;
};

bool isFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

size_t nameStart(const std::wstring& path) {
    size_t separator = path.find_last_of(L"/\\");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// The file's last-write time as a DOS date (high word) and time (low word), in local time.
uLong dosTimeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    FILETIME local = {};
    WORD date = 0, time = 0;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return 0;
    return ((uLong)date << 16) | time;
}

[[noreturn]] void failForFile(const std::wstring& path) {
    throw cERROR_MSG(BV_ERR_GENERAL, "ZIP Error for file %s", toAnsi(path).c_str());
}

void addEntry(zipFile archive, const std::wstring& path, const std::string& option) {
    zip_fileinfo info = {};
    info.dosDate = dosTimeOf(path);
    std::string name = toAnsi(zipEntryName(path, option));
    if (zipOpenNewFileInZip(archive, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION) != ZIP_OK)
        failForFile(path);

    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw cERROR_MSG(BV_ERR_GENERAL, "ZIP Error %d", -1);
    std::vector<char> block(kZipBlockSize);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), block.data(), kZipBlockSize, &read, nullptr))
            throw cERROR_MSG(BV_ERR_GENERAL, "ZIP Error %d", ZIP_ERRNO);
        if (read == 0) break;
        if (zipWriteInFileInZip(archive, block.data(), read) < 0) failForFile(path);
    }
    file.reset();
    if (zipCloseFileInZip(archive) != ZIP_OK) failForFile(path);
}

}  // namespace

std::wstring zipEntryName(const std::wstring& path, const std::string& option) {
    if (option == "no_path") return path.substr(nameStart(path));
    if (option == "relative") {
        size_t start = 0;
        if (path.size() >= 2 && path[1] == L':') {
            start = 2;
        } else if (path.compare(0, 2, L"\\\\") == 0 || path.compare(0, 2, L"//") == 0) {
            // \\server\share\...: the server and share go as well.
            size_t server = path.find_first_of(L"/\\", 2);
            size_t share = server == std::wstring::npos ? server : path.find_first_of(L"/\\", server + 1);
            start = share == std::wstring::npos ? path.size() : share;
        }
        while (start < path.size() && (path[start] == L'/' || path[start] == L'\\')) start++;
        return path.substr(start);
    }
    return path;
}

std::vector<std::wstring> expandZipInputs(const std::vector<std::wstring>& inputs) {
    std::vector<std::wstring> files;
    auto addOnce = [&files](const std::wstring& path) {
        for (const std::wstring& known : files)
            if (_wcsicmp(known.c_str(), path.c_str()) == 0) return;
        files.push_back(path);
    };
    for (const std::wstring& input : inputs) {
        if (!isFolder(input)) {
            addOnce(input);
            continue;
        }
        WIN32_FIND_DATAW found = {};
        FindHandle search(FindFirstFileW((input + L"/*").c_str(), &found));
        if (!search) continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) addOnce(input + L"/" + found.cFileName);
        } while (FindNextFileW(search.get(), &found));
    }
    return files;
}

void packZip(const std::vector<std::wstring>& inputs, const std::wstring& archivePath, const std::string& option) {
    std::vector<std::wstring> files = expandZipInputs(inputs);

    size_t folderEnd = archivePath.find_last_of(L"/\\");
    if (folderEnd != std::wstring::npos && folderEnd > 0)
        bvfsCreateFolderTree(archivePath.substr(0, folderEnd).c_str());

    zlib_filefunc64_def functions = {};
    fill_win32_filefunc64W(&functions);
    Archive archive(zipOpen2_64(archivePath.c_str(), APPEND_STATUS_CREATE, nullptr, &functions));
    if (!archive.get()) throw cERROR_MSG(BV_ERR_GENERAL, "ZIP Error %d", ZIP_ERRNO);

    for (const std::wstring& file : files) addEntry(archive.get(), file, option);
    if (archive.close() != ZIP_OK) failForFile(archivePath);
}

}  // namespace web
