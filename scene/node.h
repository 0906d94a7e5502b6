// The base of every scene-graph node: name, owning tree links, class code,
// and the virtual operations that the readers (field setters, reporting
// hooks) and the traversal (apply) use.
//
// Ownership: a node owns its first child and its next sibling, so a child
// list is a chain owned link by link, and destroying a node destroys its
// whole subtree and every sibling after it. Destruction and clone() work in
// loops, not by recursion, so chains of millions of siblings are safe; a
// chain head remembers where its chain ended, so appending one node at a
// time costs the same whatever the chain's length.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "scene/field_array.h"
#include "scene/matrix4.h"
#include "scene/values.h"

#ifdef __MINGW_PRINTF_FORMAT
#define GLOWPOND_PRINTF(formatIndex, firstArg) __attribute__((format(__MINGW_PRINTF_FORMAT, formatIndex, firstArg)))
#else
#define GLOWPOND_PRINTF(formatIndex, firstArg) __attribute__((format(printf, formatIndex, firstArg)))
#endif

namespace glowpond {

// Status notes of what a reader left out. The load counts them by these
// formats, so that the user sees how much a file lost.
extern const char kSkippedFieldNote[];  // name and line of a field no node declares
extern const char kSkippedNodeNote[];   // name and line of a node of an unknown type
extern const char kIgnoredBytesNote[];  // bytes after compressed data, as unsigned long long

class TraversalState;
class NodeAction;

// Class codes. 10 is not used; the load context is a Separator.
enum class NodeType : int32_t {
    Plain = 0,  // used for Info
    Separator = 1,
    TransformSeparator = 2,
    Group = 3,
    Switch = 4,
    Coordinate3 = 5,
    Normal = 6,
    NormalBinding = 7,
    IndexedFaceSet = 8,
    PerspectiveCamera = 9,
    Cube = 11,
    Translation = 12,
    Scale = 13,
    Rotation = 14,
    MatrixTransform = 15,
    PointLight = 16,
    SpotLight = 17,
    Material = 18,
    MaterialBinding = 19,
    LOD = 20,
    Sphere = 21,
    Cylinder = 22,
    Transform = 23,
    WWWAnchor = 24,
    TextureCoordinate2 = 25,
    Cone = 26,
    ShapeHints = 27,
};

class Node;
// What the VRML node-type table holds for each class: a new node with
// default fields and an empty name.
using NodeFactory = std::unique_ptr<Node> (*)();

class Node {
public:
    static constexpr size_t kMaxNameChars = 255;

    explicit Node(NodeType type = NodeType::Plain);
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // A plain node, the class of Info: its string is not kept.
    static std::unique_ptr<Node> create();

    NodeType typeCode() const { return type_; }
    // The DEF name; empty when the node has none.
    const std::string& name() const { return name_; }
    // Longer names are cut to kMaxNameChars characters.
    void setName(std::string_view name);

    Node* nextSibling() const { return next_.get(); }
    Node* firstChildNode() const { return firstChild_.get(); }
    // The node under which this one was placed; not owning, null for a root.
    Node* parent() const { return parent_; }
    void setParent(Node* parent) { parent_ = parent; }

    // Appends `child` with every sibling chained after it to the end of the
    // child list, making this node their parent. Returns the first child.
    Node* addChild(std::unique_ptr<Node> child);
    // Appends `node` and its chain after the last sibling of this node.
    void appendSibling(std::unique_ptr<Node> node);
    // Puts `child` and its chain in front of the current children.
    void prependChild(std::unique_ptr<Node> child);

    // Virtual operations, in the order of the node interface.

    // Returns the node to its constructed field values and destroys its
    // children and the siblings after it (this node then ends its chain).
    virtual void clear();
    // A copy of this node and its subtree, with the same name and fields,
    // without the siblings that follow it. Classes supply copyNode().
    virtual std::unique_ptr<Node> clone() const;

    // Reporting hooks for readers, which call them on the root they were
    // given (the load context); plain nodes ignore them.
    void status(const char* format, ...) GLOWPOND_PRINTF(2, 3);
    void error(const char* format, ...) GLOWPOND_PRINTF(2, 3);
    virtual void beginRead();
    virtual void endRead();

    // The transform this node contributes; the identity for all but the
    // transform classes.
    virtual Matrix4 localMatrix() const;

    // Field setters, called by the VRML reader with the field name as read.
    // Each class picks the field by name (some take their only field of a
    // type whatever the name). Values whose name matches nothing, or whose
    // type the class does not hold, are dropped without a message; arrays
    // passed in are owned by the setter either way. A null array changes
    // nothing.
    virtual void setVec3Array(std::string_view field, std::unique_ptr<FieldArray<Vec3>> value);
    virtual void setVec2Array(std::string_view field, std::unique_ptr<FieldArray<Vec2>> value);
    virtual void setStringArray(std::string_view field, std::unique_ptr<FieldArray<std::string>> value);
    virtual void setFloatArray(std::string_view field, std::unique_ptr<FieldArray<double>> value);
    virtual void setLongArray(std::string_view field, std::unique_ptr<FieldArray<int32_t>> value);
    virtual void setRotation(std::string_view field, const AxisAngle& value);
    virtual void setMatrix(std::string_view field, const Matrix4& value);
    virtual void setVec3(std::string_view field, const Vec3& value);
    virtual void setVec2(std::string_view field, const Vec2& value);
    virtual void setString(std::string_view field, std::string value);
    virtual void setFloat(std::string_view field, double value);
    virtual void setInt(std::string_view field, int32_t value);

    // Updates `state` and reports this node (and, for grouping classes, its
    // children) to `action`. Plain nodes do nothing.
    virtual void apply(TraversalState& state, NodeAction& action);
    // current transform <- localMatrix() x current transform.
    virtual void accumulateTransform(TraversalState& state);

protected:
    // What status() and error() hand on, with the caller's format and arguments.
    virtual void vstatus(const char* format, std::va_list args);
    virtual void verror(const char* format, std::va_list args);

    // A new node of this class with this node's field values; no name, no links.
    virtual std::unique_ptr<Node> copyNode() const;

    // Applies every child in order.
    void applyChildren(TraversalState& state, NodeAction& action);

private:
    // Destroys a tree of first-child and next-sibling links without
    // recursion, by rotating first children up into the sibling chain.
    static void destroyTree(std::unique_ptr<Node> root);
    // The last node of the chain this node belongs to, from this node on.
    Node* chainEnd();
    bool isChainHead() const { return owner_ == nullptr || owner_->firstChild_.get() == this; }
    // Links `chain` after `end` (the end of this node's chain), setting the
    // chain's parent; returns the new end.
    static Node* linkAfter(Node* end, std::unique_ptr<Node> chain, Node* parent);

    std::string name_;
    std::unique_ptr<Node> next_;
    std::unique_ptr<Node> firstChild_;
    Node* parent_ = nullptr;
    NodeType type_;
    // The node whose link owns this one: its previous sibling, or its parent
    // when it is a first child; null while nothing in a tree owns it.
    Node* owner_ = nullptr;
    // On a chain head only: a node of the chain at or before its end, where
    // the walk to the end starts. Null: start at the head.
    Node* chainTail_ = nullptr;
};

// What every node class repeats: its class code, create() for the node-type
// table and a copyNode() that makes a node of the class. `Base` is Node or an
// intermediate class (Separator, TransformNode).
template <typename Derived, NodeType kType, typename Base = Node>
class NodeClass : public Base {
public:
    NodeClass() : Base(kType) {}
    static std::unique_ptr<Node> create() { return std::make_unique<Derived>(); }

protected:
    // For a class derived in turn, with a code of its own (WWWAnchor).
    explicit NodeClass(NodeType type) : Base(type) {}
    std::unique_ptr<Node> copyNode() const override { return std::make_unique<Derived>(); }
};

// A node class whose field values live in one struct, `Fields`, whose
// default member values are the class's defaults: copies take the struct
// whole and clear() resets it whole, so no field can be forgotten in either.
template <typename Derived, NodeType kType, typename Fields, typename Base = Node>
class NodeClassWithFields : public NodeClass<Derived, kType, Base> {
public:
    void clear() override {
        fields_ = Fields{};
        Base::clear();
    }

protected:
    std::unique_ptr<Node> copyNode() const override {
        auto copy = std::make_unique<Derived>();
        copy->fields_ = fields_;
        return copy;
    }

    Fields fields_;
};

}  // namespace glowpond
