#include "saver/win32_folder_lister.h"

#include <windows.h>

namespace glowpond {
namespace {

std::wstring wideFromUtf8(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

std::string utf8FromWide(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), length, nullptr, nullptr);
    out.resize(static_cast<size_t>(length - 1));
    return out;
}

FolderItem::Kind kindOf(const WIN32_FIND_DATAW& found) {
    const DWORD attributes = found.dwFileAttributes;
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return reparse ? FolderItem::Kind::Other : FolderItem::Kind::Folder;
    if (reparse && (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT)) {
        return FolderItem::Kind::Other;
    }
    if (attributes & FILE_ATTRIBUTE_DEVICE) return FolderItem::Kind::Other;
    return FolderItem::Kind::File;
}

}  // namespace

bool Win32FolderLister::list(const std::string& folder, std::vector<FolderItem>& items) {
    const std::wstring pattern = wideFromUtf8(folder) + L"*";
    if (pattern.size() == 1) return false;
    WIN32_FIND_DATAW found;
    // The short names are never asked for, and big folders come in bigger batches.
    const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                           FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        if (wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0) continue;
        items.push_back({utf8FromWide(found.cFileName), kindOf(found)});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

}  // namespace glowpond
