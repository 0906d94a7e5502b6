// Grouping nodes: they own child lists and decide how the traversal state
// flows through them. A Separator keeps its children's properties and
// transforms to itself; a TransformSeparator keeps only the transform; a
// Group, Switch or LOD lets everything its children set reach the siblings
// that follow it, as in VRML 1.0.
#pragma once

#include <memory>

#include "scene/node.h"

namespace glowpond {

class Separator : public Node {
public:
    Separator();
    static std::unique_ptr<Node> create();
    // Applies the children on a level of their own (named by this node)
    // between beginSeparator and endSeparator.
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    explicit Separator(NodeType type);
    std::unique_ptr<Node> copyNode() const override;
};

// A Separator that also carries a link; the link's fields play no part.
class WWWAnchor : public Separator {
public:
    WWWAnchor();
    static std::unique_ptr<Node> create();

protected:
    std::unique_ptr<Node> copyNode() const override;
};

class TransformSeparator : public Node {
public:
    TransformSeparator();
    static std::unique_ptr<Node> create();
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;
};

class Group : public Node {
public:
    Group();
    static std::unique_ptr<Node> create();
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;
};

// A Group that applies only the chosen child or children.
class Switch : public Node {
public:
    static constexpr int32_t kNone = -1;
    static constexpr int32_t kAll = -3;

    Switch();
    static std::unique_ptr<Node> create();

    // kNone, kAll, or the 0-based position of the one child to apply (none
    // when there is no such child, or for any other negative value).
    int32_t whichChild() const { return whichChild_; }
    void setInt(std::string_view field, int32_t value) override;  // "whichChild"
    void clear() override;
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;

private:
    int32_t whichChild_ = kNone;
};

// A Group that always applies its first child, the most detailed level;
// range and center are read but not kept.
class LOD : public Node {
public:
    LOD();
    static std::unique_ptr<Node> create();
    void apply(TraversalState& state, NodeAction& action) override;

protected:
    std::unique_ptr<Node> copyNode() const override;
};

}  // namespace glowpond
