// Reading and writing INI files with the semantics of the Windows profile
// functions (GetPrivateProfileString, GetPrivateProfileInt,
// WritePrivateProfileString), so that files written by Windows itself or by
// earlier versions of the program read the same, and files written here read
// the same through the Windows functions.
//
// Unlike the profile functions, which rewrite the file once per key, a whole
// set of changes is made in memory and then saved in one step. Text is UTF-8
// here, whatever the file holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace glowpond {

class AnsiCodePage;
class SystemServices;

class IniFile {
public:
    enum class LoadResult {
        Loaded,   // the file was read
        Missing,  // there is no such file (or folder): the document is empty
        Failed,   // the file exists but cannot be read (a folder, a device)
    };

    // Only the whole lines within a file's first kMaxFileBytes are read, the
    // rest is ignored as if absent: a settings file holds a few hundred lines
    // at most, and a huge one must cost no more than that.
    static constexpr size_t kMaxFileBytes = 64u << 10;

    // Reads the file through `platform`, in its code page.
    LoadResult load(const std::string& path, SystemServices& platform);
    // Reads file contents in any of the encodings: after a byte-order mark
    // UTF-8 or UTF-16; without one UTF-8 when the bytes are well-formed
    // UTF-8 (as Notepad and Linux editors save), otherwise `codePage`.
    void parse(const std::string& contents, const AnsiCodePage& codePage);

    // The value of `key` in `section` as GetPrivateProfileString returns it
    // (surrounding blanks and one pair of enclosing quotes removed), or
    // nothing when the key is missing. Names compare without regard to case;
    // only the first section of a name and the first key of a name count.
    std::optional<std::string> find(const std::string& section, const std::string& key) const;

    std::string getString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;

    // As GetPrivateProfileInt: a missing key or an empty value gives
    // `defaultValue`; otherwise the leading integer of the value (blanks,
    // an optional sign, decimal digits; anything after is ignored; no digits
    // give 0), wrapping modulo 2^32 like the system's conversion.
    int32_t getInt(const std::string& section, const std::string& key, int32_t defaultValue) const;

    // Sets `key` in `section`, adding the section at the end and the key at
    // the end of its section when they are missing; every other line stays.
    // Leading blanks of the value are dropped and trailing line breaks end
    // the line, as the profile functions store them. A value with a line
    // break inside it cannot be stored: false, and nothing changes.
    bool set(const std::string& section, const std::string& key, const std::string& value);

    // The document as file contents in the encoding it was read in, lines
    // ended by CR LF. Lines of a UTF-16 file that were not set stay exactly
    // as they were. A document in the code page (or a new one) that now holds
    // a character the code page lacks, a path named in Unicode, say, becomes
    // UTF-8 with a byte-order mark, which every version of the program reads
    // and which keeps the file's other lines as they were.
    std::string text(const AnsiCodePage& codePage) const;

    // Replaces the file at `path` with text() (see SystemServices); false, and the
    // file untouched, when that fails, when text() is beyond kMaxFileBytes,
    // or when the document was loaded from a file longer than that, whose
    // lines beyond it a save would lose.
    bool save(const std::string& path, SystemServices& platform) const;

private:
    // The forms of text the profile functions read: the ANSI code page, or
    // after a byte-order mark UTF-8 (read as it is) or UTF-16. Wine's also
    // read big-endian UTF-16, which Windows does not document. And UTF-8
    // without a mark, which the editors of today save.
    enum class Encoding { Ansi, Utf8, Utf8Unmarked, Utf16Le, Utf16Be };

    struct Line {
        enum class Kind { Other, Section, Key };
        std::string text;  // the line as it stands in the file, without its end
        Kind kind = Kind::Other;
        std::string name;  // section name, or key name without surrounding blanks
        std::optional<std::string> value;  // key lines with '=': the raw value, blanks removed
        std::u16string original;            // a UTF-16 file's line as read, until it is set
    };

    static Line parseLine(const std::string& text);
    // Index of the first section line named `section`, or lines_.size().
    size_t findSection(const std::string& section) const;
    // End (one past the last line) of the section starting at `header`.
    size_t sectionEnd(size_t header) const;
    // The lines as UTF-8, after a byte-order mark when `marked`.
    std::string utf8Text(bool marked) const;

    Encoding encoding_ = Encoding::Ansi;
    std::vector<Line> lines_;
    std::string oddByte_;  // the last byte of a UTF-16 file of odd length, kept at its end
    bool cut_ = false;     // loaded from a file longer than kMaxFileBytes
};

}  // namespace glowpond
