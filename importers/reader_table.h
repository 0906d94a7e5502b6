// The model formats the program reads, one entry each: what a format is
// called, which file names claim it, how its content is recognised and which
// reader reads it. The content check, the dispatcher, the settings dialog's
// file chooser, the X11 program's sample-folder scan and the usage texts all
// take the formats from here, so that a new format is one line of the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "importers/model_source.h"
#include "scene/node.h"

namespace glowpond {

// Reads `source` and puts what it read under `context`, reporting progress
// and problems through the context's hooks (readers return nothing).
using ReadFunction = void (*)(Node& context, const ModelSource& source, const ReadOptions& options);
// Whether the bytes of a file look like the format's.
using ContentCheck = bool (*)(const uint8_t* data, size_t size);

enum class SuffixRule {
    // The name ends in a dot and one of the suffixes, letters in any case.
    Dotted,
    // The rule the first two formats have always had, kept so that the same
    // names pass: the content check admits a name whose last four characters
    // contain a suffix written all in lower or all in upper case (no dot
    // needed: "modelwrl", and "x.3dsx" too), and the dispatcher picks the
    // reader by the last three characters, letters in any case ("x.WrL";
    // "x.3dsx" then finds no reader).
    LastThree,
};

struct ReaderEntry {
    const char* name;         // "VRML 1.0"
    const char* filterLabel;  // the file chooser's filter, "VRML" for "VRML (*.wrl)"
    const char* suffixes;     // without dots, blank between them: "gltf glb"
    // Suffixes of compressed files of the format, claimed only where loading
    // unpacks them; "" when the format is never compressed. Such a format's
    // files are unpacked whatever their suffix.
    const char* packedSuffixes;
    SuffixRule rule;
    ContentCheck looksLike;
    const char* refusal;  // the caption when the content check fails
    ReadFunction read;
    // A closer reason for some contents the check refuses; null: `refusal`.
    const char* (*refusalFor)(const uint8_t* data, size_t size) = nullptr;
};

// Every format, in the file chooser's order.
const std::vector<ReaderEntry>& readerTable();

// The format whose content check a file of this name goes through (the
// packed suffixes count only when `unpacking`), or null: then the file is
// "Error: Not a supported file type.".
const ReaderEntry* formatOfName(const std::string& name, bool unpacking);

// The format the dispatcher reads a file of this name with, or null.
const ReaderEntry* readerOfName(const std::string& name, bool unpacking);

// Whether a folder's file is a model file by its name: a dotted suffix of
// any format, packed ones included, letters in any case.
bool hasModelSuffix(const std::string& fileName);

// The model file chooser's filters: "All models" with the patterns of every
// format, then one per format ("3D Studio Object (*.3ds)"), each label and
// its patterns ("*.gltf;*.glb") ended by a zero byte.
std::string modelChooserFilter();

// The formats for usage texts: "3D Studio (.3ds), VRML 1.0 (.wrl, or .wrz compressed), ...".
std::string formatSummary();

// The error sent to the context when no reader fits; its argument is the
// name's last three characters.
extern const char kUnsupportedSuffix[];

// Runs the reader that readerOfName picks between the context's beginRead
// and endRead, then reports the status "Ready.". With `readFailure`, that
// text is reported as the reader's error ("<readFailure>.\n") instead of
// reading (a compressed file that did not unpack). Returns 1 when a reader
// ran, whatever it found; 0, after an error report, when no reader fits.
int dispatchModel(Node& context, const ModelSource& source, const ReadOptions& options, bool unpacking,
                  const char* readFailure = nullptr);

// The content checks of the first formats. A VRML 1.0 file has
// "#VRML V1.0 ascii" within its first 24 bytes (as text: a zero byte ends
// it); a 3D Studio file starts with "MM".
bool looksLikeVrml1(const uint8_t* data, size_t size);
bool looksLike3ds(const uint8_t* data, size_t size);

}  // namespace glowpond
