#include "config/ini_file.h"

#include <algorithm>

#include "system/system_services.h"
#include "system/unicode.h"

namespace glowpond {
namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";
const char kUtf16LeMark[] = "\xFF\xFE";
const char kUtf16BeMark[] = "\xFE\xFF";

// The lines of a file's text, split at LF, each without its CR LF or LF.
template <typename Text>
std::vector<Text> splitLines(const Text& text) {
    std::vector<Text> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = std::min(text.find('\n', pos), text.size());
        lines.push_back(text.substr(pos, end - pos));
        if (!lines.back().empty() && lines.back().back() == '\r') lines.back().pop_back();
        pos = end + 1;
    }
    return lines;
}

// The profile functions also count Ctrl-Z, the old end-of-file mark, as a blank.
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

bool hasLineBreak(const std::string& text) { return text.find_first_of("\r\n") != std::string::npos; }

// The length of the whole lines at the start of file contents cut short,
// up to and including their last line break.
size_t wholeLines(const std::string& contents) {
    const bool utf16 = contents.compare(0, 2, kUtf16LeMark) == 0 || contents.compare(0, 2, kUtf16BeMark) == 0;
    if (!utf16) {
        const size_t end = contents.rfind('\n');
        return end == std::string::npos ? 0 : end + 1;
    }
    const char* lineBreak = contents[0] == kUtf16LeMark[0] ? "\n\0" : "\0\n";
    for (size_t unit = contents.size() / 2; unit-- > 1;) {
        if (contents.compare(2 * unit, 2, lineBreak, 2) == 0) return 2 * unit + 2;
    }
    return 0;
}

bool isAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

IniFile::LoadResult IniFile::load(const std::string& path, SystemServices& platform) {
    parse("", platform.ansiCodePage());
    // One byte more than is read tells whether the file goes on.
    std::string contents;
    switch (platform.readFile(path, kMaxFileBytes + 1, contents)) {
    case FileRead::Missing:
        return LoadResult::Missing;
    case FileRead::Failed:
        return LoadResult::Failed;
    case FileRead::Read:
        break;
    }
    const bool cut = contents.size() > kMaxFileBytes;
    if (cut) contents.resize(wholeLines(contents.substr(0, kMaxFileBytes)));
    parse(contents, platform.ansiCodePage());
    cut_ = cut;
    return LoadResult::Loaded;
}

void IniFile::parse(const std::string& contents, const AnsiCodePage& codePage) {
    lines_.clear();
    oddByte_.clear();
    cut_ = false;
    encoding_ = Encoding::Ansi;
    if (contents.compare(0, 2, kUtf16LeMark) == 0) encoding_ = Encoding::Utf16Le;
    if (contents.compare(0, 2, kUtf16BeMark) == 0) encoding_ = Encoding::Utf16Be;
    if (contents.compare(0, 3, kUtf8Mark) == 0) encoding_ = Encoding::Utf8;
    // Text in a code page that happens to form well-formed UTF-8 beyond
    // ASCII ("Ã©") is rare enough; UTF-8 saved without a mark is common.
    if (encoding_ == Encoding::Ansi && !isAscii(contents) && isUtf8(contents)) encoding_ = Encoding::Utf8Unmarked;

    if (encoding_ == Encoding::Utf16Le || encoding_ == Encoding::Utf16Be) {
        const size_t high = encoding_ == Encoding::Utf16Le ? 1 : 0;
        std::u16string units;
        for (size_t i = 2; i + 1 < contents.size(); i += 2) {
            units += static_cast<char16_t>(static_cast<unsigned char>(contents[i + high]) << 8 |
                                           static_cast<unsigned char>(contents[i + 1 - high]));
        }
        if (contents.size() % 2 != 0) oddByte_ = contents.substr(contents.size() - 1);
        for (const std::u16string& original : splitLines(units)) {
            lines_.push_back(parseLine(utf8FromUtf16(original)));
            lines_.back().original = original;
        }
        return;
    }
    for (const std::string& line : splitLines(contents.substr(encoding_ == Encoding::Utf8 ? 3 : 0))) {
        lines_.push_back(parseLine(encoding_ == Encoding::Ansi ? codePage.toUtf8(line) : line));
    }
}

IniFile::Line IniFile::parseLine(const std::string& text) {
    Line line;
    line.text = text;
    size_t start = 0;
    while (start < text.size() && isBlank(text[start])) ++start;
    if (start == text.size() || text[start] == ';') return line;

    if (text[start] == '[') {
        size_t close = text.rfind(']');
        if (close != std::string::npos && close > start) {
            line.kind = Line::Kind::Section;
            line.name = text.substr(start + 1, close - start - 1);
            return line;
        }
        // A '[' without its ']' is read as a key line, as the profile functions do.
    }
    line.kind = Line::Kind::Key;
    size_t equals = text.find('=', start);
    if (equals == std::string::npos) {
        line.name = trimmed(text.substr(start));
    } else {
        line.name = trimmed(text.substr(start, equals - start));
        line.value = trimmed(text.substr(equals + 1));
    }
    return line;
}

size_t IniFile::findSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Line::Kind::Section && sameName(lines_[i].name, section)) return i;
    }
    return lines_.size();
}

size_t IniFile::sectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Line::Kind::Section) ++i;
    return i;
}

std::optional<std::string> IniFile::find(const std::string& section, const std::string& key) const {
    size_t header = findSection(section);
    if (header == lines_.size()) return std::nullopt;
    for (size_t i = header + 1, end = sectionEnd(header); i < end; ++i) {
        const Line& line = lines_[i];
        if (line.kind != Line::Kind::Key || !sameName(line.name, key)) continue;
        if (!line.value) return std::string();
        const std::string& value = *line.value;
        if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
            return value.substr(1, value.size() - 2);
        }
        return value;
    }
    return std::nullopt;
}

std::string IniFile::getString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) const {
    std::optional<std::string> value = find(section, key);
    return value ? *value : defaultValue;
}

int32_t IniFile::getInt(const std::string& section, const std::string& key, int32_t defaultValue) const {
    std::optional<std::string> value = find(section, key);
    if (!value || value->empty()) return defaultValue;

    const std::string& text = *value;
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint32_t total = 0;  // unsigned, so that overflow wraps as the system's conversion does
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        total = total * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    if (negative) total = 0u - total;
    return static_cast<int32_t>(total);
}

bool IniFile::set(const std::string& section, const std::string& key, const std::string& value) {
    size_t begin = 0;
    while (begin < value.size() && isBlank(value[begin]) && value[begin] != '\r' && value[begin] != '\n') ++begin;
    size_t end = value.size();
    while (end > begin && (value[end - 1] == '\r' || value[end - 1] == '\n')) --end;
    std::string stored = value.substr(begin, end - begin);
    if (hasLineBreak(stored) || hasLineBreak(key) || hasLineBreak(section) ||
        key.find('=') != std::string::npos || section.find(']') != std::string::npos) {
        return false;
    }

    size_t header = findSection(section);
    if (header == lines_.size()) {
        if (!lines_.empty() && !trimmed(lines_.back().text).empty()) lines_.push_back(parseLine(""));
        lines_.push_back(parseLine("[" + section + "]"));
        lines_.push_back(parseLine(key + "=" + stored));
        return true;
    }

    size_t sectionLast = sectionEnd(header);
    for (size_t i = header + 1; i < sectionLast; ++i) {
        Line& line = lines_[i];
        if (line.kind == Line::Kind::Key && sameName(line.name, key)) {
            // An unchanged value leaves its line alone, as the profile functions
            // do (a UTF-16 line keeps characters the code page lacks); a new
            // one keeps the key's spelling.
            if (line.value != stored) line = parseLine(line.name + "=" + stored);
            return true;
        }
    }
    // A new key goes after the section's last non-blank line, before the blank
    // lines that separate it from the next section.
    size_t insertAt = sectionLast;
    while (insertAt > header + 1 && trimmed(lines_[insertAt - 1].text).empty()) --insertAt;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), parseLine(key + "=" + stored));
    return true;
}

std::string IniFile::text(const AnsiCodePage& codePage) const {
    if (encoding_ == Encoding::Ansi) {
        std::string out;
        for (const Line& line : lines_) {
            const std::optional<std::string> ansi = codePage.fromUtf8(line.text);
            if (!ansi) return utf8Text(true);
            out += *ansi + "\r\n";
        }
        // Bytes that would read back as UTF-8 go with the mark that says so.
        return isAscii(out) || !isUtf8(out) ? out : utf8Text(true);
    }
    if (encoding_ == Encoding::Utf8 || encoding_ == Encoding::Utf8Unmarked) {
        return utf8Text(encoding_ == Encoding::Utf8);
    }
    std::u16string units = u"\xFEFF";
    for (const Line& line : lines_) {
        units += line.original.empty() ? utf16FromUtf8(line.text) : line.original;
        units += u"\r\n";
    }
    const size_t high = encoding_ == Encoding::Utf16Le ? 1 : 0;
    std::string out(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        out[2 * i + high] = static_cast<char>(units[i] >> 8);
        out[2 * i + 1 - high] = static_cast<char>(units[i] & 0xFF);
    }
    return out + oddByte_;
}

std::string IniFile::utf8Text(bool marked) const {
    std::string out = marked ? kUtf8Mark : "";
    for (const Line& line : lines_) out += line.text + "\r\n";
    return out;
}

bool IniFile::save(const std::string& path, SystemServices& platform) const {
    // Refused rather than dropping what lies beyond the part that was read.
    if (cut_) return false;
    const std::string contents = text(platform.ansiCodePage());
    // A file this program could not read again would lose the settings.
    return contents.size() <= kMaxFileBytes && platform.replaceFileContents(path, contents);
}

}  // namespace glowpond
