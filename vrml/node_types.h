// The VRML reader's table of node types: which node names exist, whether
// they take children, which class builds them and which fields they have.
// It is rebuilt for every file, because a file may declare fields of its
// own and introduce node types of its own that must not reach the next file.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "scene/node.h"
#include "scene/values.h"

namespace glowpond {

// Names in the reader's tables (node types, fields, DEF names) count to
// this many characters; longer names are cut, so two names that agree in
// their first 31 characters are one name.
constexpr size_t kVrmlMaxNameChars = 31;

inline std::string_view vrmlTableName(std::string_view name) { return name.substr(0, kVrmlMaxNameChars); }

struct VrmlFieldDecl {
    std::string name;  // at most kVrmlMaxNameChars characters
    FieldType type = FieldType::SFFloat;
};

struct VrmlNodeType {
    static constexpr int kMaxFields = 10;

    std::string name;       // at most kVrmlMaxNameChars characters
    bool grouping = false;  // children allowed
    // Builds the node; null for types that are parsed and dropped.
    NodeFactory factory = nullptr;
    bool fromFile = false;  // named first by the file being read, not a VRML 1.0 type
    std::array<VrmlFieldDecl, kMaxFields> fields;
    int fieldCount = 0;

    // The field called `name` (compared as a table name), or null.
    const VrmlFieldDecl* findField(std::string_view name) const;
    // Adds the field, or gives an existing field of that name the new type.
    // A type that already has kMaxFields fields ignores new names.
    void declareField(std::string_view name, FieldType type);
};

class VrmlNodeTypeTable {
public:
    VrmlNodeTypeTable() = default;
    VrmlNodeTypeTable(const VrmlNodeTypeTable&) = delete;
    VrmlNodeTypeTable& operator=(const VrmlNodeTypeTable&) = delete;

    // Empties the table and registers the VRML 1.0 node types.
    void registerStandardTypes();
    // The type called `name` (compared as a table name), or null. Entries
    // stay where they are until clear().
    VrmlNodeType* find(std::string_view name);
    const VrmlNodeType* find(std::string_view name) const;
    // Registers a type without fields; `name` must not be registered yet.
    VrmlNodeType& add(std::string_view name, bool grouping, NodeFactory factory);
    void clear();
    size_t size() const { return entries_.size(); }

private:
    std::deque<VrmlNodeType> entries_;  // a deque, so that entries never move
    std::unordered_map<std::string_view, VrmlNodeType*> index_;  // keys view the entries' names
};

}  // namespace glowpond
