#include "importers/format_dispatch.h"

#include "importers/reader_3ds.h"
#include "vrml/parser.h"

namespace glowpond {

const char kUnsupportedSuffix[] = "Unsupported file suffix '%s'\n";

namespace {

bool matches(char c, char lower) { return c == lower || c == lower - 'a' + 'A'; }

}  // namespace

int dispatchModelFile(Node& context, const std::string& path, std::FILE* file, const std::string&,
                      VrmlReading reading) {
    // No dot is looked for: "modelwrl" is a VRML file too.
    const std::string suffix = path.size() >= 3 ? path.substr(path.size() - 3) : path;
    const bool vrml = suffix.size() == 3 && matches(suffix[0], 'w') && matches(suffix[1], 'r') &&
                      (matches(suffix[2], 'l') || (matches(suffix[2], 'z') && reading == VrmlReading::Tolerant));
    const bool studio = suffix.size() == 3 && suffix[0] == '3' && matches(suffix[1], 'd') && matches(suffix[2], 's');
    if (!vrml && !studio) {
        context.error(kUnsupportedSuffix, suffix.c_str());
        return 0;
    }
    context.beginRead();
    if (vrml) {
        readVrmlFile(context, file, reading);
    } else {
        read3dsFile(context, path, file);
    }
    context.endRead();
    context.status("Ready.");
    return 1;
}

}  // namespace glowpond
