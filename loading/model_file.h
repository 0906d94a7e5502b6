// Model files are opened as data only, through the one opener each program
// hands its loader: a path that names a device, a pipe or anything else but
// a file on disk is never read, so a model entry can neither reach a device
// nor make a load wait on another program.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace glowpond {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenedFile = std::unique_ptr<std::FILE, CloseFile>;

class ModelFileOpener {
public:
    virtual ~ModelFileOpener() = default;

    // `path` open for binary reading at its start, or null when it cannot be
    // opened or is not a plain file on disk. Never waits for another program.
    virtual OpenedFile open(const std::string& path) = 0;
};

// Whether `path`, as Windows reads it, names something other than a file:
// a device path ("\\.\", "\\?\", "\??\", with either slash), a DOS device
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, CONOUT$, CLOCK$) as its last
// part with any suffix or folder before it, or an alternate data stream (a
// colon anywhere but after a drive letter). UNC paths are files.
bool namesWindowsDevice(const std::string& path);

#ifndef _WIN32
// The POSIX programs' opener: regular files only, opened without waiting
// for a FIFO's writer or a device and without taking a terminal.
class PosixFileOpener final : public ModelFileOpener {
public:
    OpenedFile open(const std::string& path) override;
};
#endif

}  // namespace glowpond
