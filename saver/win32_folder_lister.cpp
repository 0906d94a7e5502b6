#include "saver/win32_folder_lister.h"

#include <windows.h>

#include "saver/wide_text.h"

namespace glowpond {
namespace {

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
