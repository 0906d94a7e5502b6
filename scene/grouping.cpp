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

void Separator::apply(TraversalState& state, NodeAction& action) {
    {
        LevelScope level(state);
        NameScope nameScope(state, name());
        if (action.wantsSeparators()) action.beginSeparator(state, name());
        applyChildren(state, action);
    }
    if (action.wantsSeparators()) action.endSeparator(state);
}

void TransformSeparator::apply(TraversalState& state, NodeAction& action) {
    {
        TransformScope transform(state);
        NameScope nameScope(state, name());
        if (action.wantsTransformSeparators()) action.beginTransformSeparator(state, name());
        applyChildren(state, action);
    }
    if (action.wantsTransformSeparators()) action.endTransformSeparator(state);
}

void Group::apply(TraversalState& state, NodeAction& action) {
    applyAsGroup(*this, state, action, [&] { applyChildren(state, action); });
}

void Switch::setInt(std::string_view field, int32_t value) {
    if (field == "whichChild") fields_.whichChild = value;
}

void Switch::apply(TraversalState& state, NodeAction& action) {
    applyAsGroup(*this, state, action, [&] {
        if (fields_.whichChild == kAll) {
            applyChildren(state, action);
        } else if (fields_.whichChild >= 0) {
            Node* child = firstChildNode();
            for (int32_t i = 0; child && i < fields_.whichChild; ++i) child = child->nextSibling();
            if (child) child->apply(state, action);
        }
    });
}

void LOD::apply(TraversalState& state, NodeAction& action) {
    applyAsGroup(*this, state, action, [&] {
        if (Node* first = firstChildNode()) first->apply(state, action);
    });
}

}  // namespace glowpond
