// Grouping nodes: they own child lists and decide how the traversal state
// flows through them. A Separator keeps its children's properties and
// transforms to itself; a TransformSeparator keeps only the transform; a
// Group, Switch or LOD lets everything its children set reach the siblings
// that follow it, as in VRML 1.0.
#pragma once

#include <cstdint>

#include "scene/node.h"

namespace glowpond {

class Separator : public NodeClass<Separator, NodeType::Separator> {
public:
    Separator() = default;
    // Applies the children on a level of their own (named by this node)
    // between beginSeparator and endSeparator.
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    explicit Separator(NodeType type) : NodeClass(type) {}
};

// A Separator that also carries a link; the link's fields play no part.
class WWWAnchor : public NodeClass<WWWAnchor, NodeType::WWWAnchor, Separator> {};

class TransformSeparator : public NodeClass<TransformSeparator, NodeType::TransformSeparator> {
public:
    void apply(TraversalState& state, NodeAction& action) override;
};

class Group : public NodeClass<Group, NodeType::Group> {
public:
    void apply(TraversalState& state, NodeAction& action) override;
};

struct SwitchFields {
    int32_t whichChild = -1;  // Switch::kNone
};

// A Group that applies only the chosen child or children.
class Switch : public NodeClassWithFields<Switch, NodeType::Switch, SwitchFields> {
public:
    static constexpr int32_t kNone = -1;
    static constexpr int32_t kAll = -3;

    // kNone, kAll, or the 0-based position of the one child to apply (none
    // when there is no such child, or for any other negative value).
    int32_t whichChild() const { return fields_.whichChild; }
    void setInt(std::string_view field, int32_t value) override;  // "whichChild"
    void apply(TraversalState& state, NodeAction& action) override;
};

// A Group that always applies its first child, the most detailed level;
// range and center are read but not kept.
class LOD : public NodeClass<LOD, NodeType::LOD> {
public:
    void apply(TraversalState& state, NodeAction& action) override;
};

}  // namespace glowpond
