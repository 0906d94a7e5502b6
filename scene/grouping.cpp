#include "scene/grouping.h"

#include "scene/traversal.h"

namespace glowpond {
namespace {

// The Group protocol shared by Group, Switch and LOD: only the name is
// pushed, so whatever the applied children set stays in force afterwards.
template <typename ApplyChildren>
void applyAsGroup(const Node& node, TraversalState& state, NodeAction& action, ApplyChildren applyChildren) {
    {
        NameScope name(state, node.name());
        if (action.wantsGroups()) action.beginGroup(state, node.name());
        applyChildren();
    }
    if (action.wantsGroups()) action.endGroup(state);
}

}  // namespace

Separator::Separator() : Node(NodeType::Separator) {}
Separator::Separator(NodeType type) : Node(type) {}
std::unique_ptr<Node> Separator::create() { return std::make_unique<Separator>(); }
std::unique_ptr<Node> Separator::copyNode() const { return std::make_unique<Separator>(); }

void Separator::apply(TraversalState& state, NodeAction& action) {
    {
        LevelScope level(state);
        NameScope nameScope(state, name());
        if (action.wantsSeparators()) action.beginSeparator(state, name());
        applyChildren(state, action);
    }
    if (action.wantsSeparators()) action.endSeparator(state);
}

WWWAnchor::WWWAnchor() : Separator(NodeType::WWWAnchor) {}
std::unique_ptr<Node> WWWAnchor::create() { return std::make_unique<WWWAnchor>(); }
std::unique_ptr<Node> WWWAnchor::copyNode() const { return std::make_unique<WWWAnchor>(); }

TransformSeparator::TransformSeparator() : Node(NodeType::TransformSeparator) {}
std::unique_ptr<Node> TransformSeparator::create() { return std::make_unique<TransformSeparator>(); }
std::unique_ptr<Node> TransformSeparator::copyNode() const { return std::make_unique<TransformSeparator>(); }

void TransformSeparator::apply(TraversalState& state, NodeAction& action) {
    {
        TransformScope transform(state);
        NameScope nameScope(state, name());
        if (action.wantsTransformSeparators()) action.beginTransformSeparator(state, name());
        applyChildren(state, action);
    }
    if (action.wantsTransformSeparators()) action.endTransformSeparator(state);
}

Group::Group() : Node(NodeType::Group) {}
std::unique_ptr<Node> Group::create() { return std::make_unique<Group>(); }
std::unique_ptr<Node> Group::copyNode() const { return std::make_unique<Group>(); }

void Group::apply(TraversalState& state, NodeAction& action) {
    applyAsGroup(*this, state, action, [&] { applyChildren(state, action); });
}

Switch::Switch() : Node(NodeType::Switch) {}
std::unique_ptr<Node> Switch::create() { return std::make_unique<Switch>(); }

std::unique_ptr<Node> Switch::copyNode() const {
    auto copy = std::make_unique<Switch>();
    copy->whichChild_ = whichChild_;
    return copy;
}

void Switch::setInt(std::string_view field, int32_t value) {
    if (field == "whichChild") whichChild_ = value;
}

void Switch::clear() {
    whichChild_ = kNone;
    Node::clear();
}

void Switch::apply(TraversalState& state, NodeAction& action) {
    applyAsGroup(*this, state, action, [&] {
        if (whichChild_ == kAll) {
            applyChildren(state, action);
        } else if (whichChild_ >= 0) {
            Node* child = firstChildNode();
            for (int32_t i = 0; child && i < whichChild_; ++i) child = child->nextSibling();
            if (child) child->apply(state, action);
        }
    });
}

LOD::LOD() : Node(NodeType::LOD) {}
std::unique_ptr<Node> LOD::create() { return std::make_unique<LOD>(); }
std::unique_ptr<Node> LOD::copyNode() const { return std::make_unique<LOD>(); }

void LOD::apply(TraversalState& state, NodeAction& action) {
    applyAsGroup(*this, state, action, [&] {
        if (Node* first = firstChildNode()) first->apply(state, action);
    });
}

}  // namespace glowpond
