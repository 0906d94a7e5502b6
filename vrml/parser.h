// The VRML 1.0 reader: parses a file into scene-graph nodes and attaches
// them under the load context.
//
// Progress ("Read %6.1f%% complete", at every line break) goes to the
// context's status hook and every failure to its error hook, as
// "<message>, line <n>.\n". A file with any error yields no nodes at all;
// a file that cannot be opened yields nothing and no message.
//
// Two readings. The strict one is the VRML 1.0 grammar and nothing else.
// The tolerant one (the default) reads every text that the grammar accepts
// exactly as the strict one does, but for one rule of the format that the
// grammar lacks: a node of a type of the file's own that names VRML 1.0
// types in an "isA" field acts as the first of them that has a class, with
// the values of the fields both types have with the same type. Only where
// the grammar fails, it takes what real writers produce:
// - empty lists "[ ]" (no values), numbers written with a leading "+",
//   bare words and paths as SFString values ("filename ../maps/wood.jpg"),
//   list elements separated by blanks alone, "MFFloat" in a "fields"
//   description (compressed files are unpacked before they reach the
//   reader, as a step of loading);
// - fields that a known node does not declare (vendor extensions): their
//   value is skipped, with the status kSkippedFieldNote;
// - nodes of unknown types without a "fields" description whose body does
//   not parse (nodes of later VRML versions): skipped to their closing
//   brace, with the status kSkippedNodeNote.
// Anything else that the grammar refuses still fails, with the strict
// reading's message and line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "scene/node.h"
#include "vrml/lexer.h"
#include "vrml/node_types.h"

namespace glowpond {

// Texts of the parser's own errors (kVrmlParseError is the lexer's).
extern const char* const kVrmlNestingTooDeep;
extern const char* const kVrmlOutOfMemory;

enum class VrmlReading { Tolerant, Strict };

// Everything the reader keeps while it reads one file. The tables are
// emptied after each file; a state kept for several files (the overloads
// that take one) keeps only the lexer's buffer from one to the next.
struct VrmlReaderState {
    // Node bodies nest at most this deep; deeper files are refused.
    static constexpr int kMaxDepth = 24;

    struct DefEntry {
        Node* node = nullptr;  // not owning; null for a type without a class
        int64_t bytes = 0;     // estimated size of the node and its subtree
    };

    // Copies made by USE may add at most about this many bytes to a file's
    // nodes, so that a small file of nested USEs cannot exhaust memory.
    int64_t maxCopiedBytes = int64_t{256} << 20;

    VrmlReading reading = VrmlReading::Tolerant;

    VrmlLexer lexer;
    VrmlNodeTypeTable nodeTypes;
    std::unordered_map<std::string, DefEntry> defs;  // keyed by table name
};

// Reads `file` (open at its start, as the load's opener gave it; null reads
// nothing) and appends its root nodes as children of `context` (the load
// context), with a reader state of its own.
void readVrmlFile(Node& context, std::FILE* file, VrmlReading reading = VrmlReading::Tolerant);
void readVrmlFile(VrmlReaderState& state, Node& context, std::FILE* file);

// The same for text in memory, which is read as a file of that content.
void readVrmlText(VrmlReaderState& state, Node& context, std::string_view text);

}  // namespace glowpond
