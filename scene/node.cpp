#include "scene/node.h"

#include <cassert>
#include <utility>
#include <vector>

#include "scene/traversal.h"

namespace glowpond {

const char kSkippedFieldNote[] = "Skipped unknown field '%s', line %d.";
const char kSkippedNodeNote[] = "Skipped unknown node '%s', line %d.";
const char kIgnoredBytesNote[] = "Ignored %llu bytes after the compressed data.";

Node::Node(NodeType type) : type_(type) {}

Node::~Node() {
    destroyTree(std::move(firstChild_));
    destroyTree(std::move(next_));
}

std::unique_ptr<Node> Node::create() { return std::make_unique<Node>(NodeType::Plain); }

void Node::setName(std::string_view name) { name_.assign(name.substr(0, kMaxNameChars)); }

void Node::destroyTree(std::unique_ptr<Node> root) {
    // Each step either deletes a node without links or moves one first
    // child up into the sibling chain, so the loop ends after at most two
    // steps per node and no destructor ever finds links left to follow.
    while (root) {
        if (root->firstChild_) {
            std::unique_ptr<Node> child = std::move(root->firstChild_);
            root->firstChild_ = std::move(child->next_);
            child->next_ = std::move(root);
            root = std::move(child);
        } else {
            std::unique_ptr<Node> next = std::move(root->next_);
            root.reset();
            root = std::move(next);
        }
    }
}

Node* Node::chainEnd() {
    Node* end = isChainHead() && chainTail_ ? chainTail_ : this;
    while (end->next_) end = end->next_.get();
    return end;
}

Node* Node::linkAfter(Node* end, std::unique_ptr<Node> chain, Node* parent) {
    Node* last = chain.get();
    for (Node* n = chain.get(); n; n = n->next_.get()) {
        n->parent_ = parent;
        last = n;
    }
    chain->chainTail_ = nullptr;
    chain->owner_ = end;
    end->next_ = std::move(chain);
    return last;
}

Node* Node::addChild(std::unique_ptr<Node> child) {
    if (!child) return firstChild_.get();
    if (firstChild_) {
        Node* head = firstChild_.get();
        head->chainTail_ = linkAfter(head->chainEnd(), std::move(child), this);
        return head;
    }
    Node* last = child.get();
    for (Node* n = child.get(); n; n = n->next_.get()) {
        n->parent_ = this;
        last = n;
    }
    child->owner_ = this;
    child->chainTail_ = last == child.get() ? nullptr : last;
    firstChild_ = std::move(child);
    return firstChild_.get();
}

void Node::appendSibling(std::unique_ptr<Node> node) {
    if (!node) return;
    Node* last = linkAfter(chainEnd(), std::move(node), parent_);
    // Appending through a later member leaves the head's mark where it was:
    // still a member of the chain, so walks from it still reach the end.
    if (isChainHead()) chainTail_ = last;
}

void Node::prependChild(std::unique_ptr<Node> child) {
    if (!child) return;
    Node* last = child.get();
    for (Node* n = child.get(); n; n = n->next_.get()) {
        n->parent_ = this;
        last = n;
    }
    Node* tail = last;
    if (firstChild_) {
        Node* oldHead = firstChild_.get();
        tail = oldHead->chainTail_ ? oldHead->chainTail_ : oldHead;
        oldHead->chainTail_ = nullptr;
        oldHead->owner_ = last;
        last->next_ = std::move(firstChild_);
    }
    child->owner_ = this;
    child->chainTail_ = tail == child.get() ? nullptr : tail;
    firstChild_ = std::move(child);
}

void Node::clear() {
    destroyTree(std::move(firstChild_));
    destroyTree(std::move(next_));
    // This node now ends its chain; the head's mark may have pointed past it.
    Node* head = this;
    while (head->owner_ && head->owner_->next_.get() == head) head = head->owner_;
    head->chainTail_ = head == this ? nullptr : this;
}

std::unique_ptr<Node> Node::clone() const {
    auto copyOf = [](const Node& source) {
        std::unique_ptr<Node> copy = source.copyNode();
        assert(copy && copy->type_ == source.type_ && "copyNode makes a node of the same class");
        copy->name_ = source.name_;
        return copy;
    };
    std::unique_ptr<Node> root = copyOf(*this);
    // Subtrees still to copy, so that deep nesting needs no recursion either.
    std::vector<std::pair<const Node*, Node*>> pending;
    if (firstChild_) pending.emplace_back(this, root.get());
    while (!pending.empty()) {
        const auto [source, target] = pending.back();
        pending.pop_back();
        for (const Node* child = source->firstChild_.get(); child; child = child->next_.get()) {
            std::unique_ptr<Node> copy = copyOf(*child);
            Node* added = copy.get();
            target->addChild(std::move(copy));
            if (child->firstChild_) pending.emplace_back(child, added);
        }
    }
    return root;
}

std::unique_ptr<Node> Node::copyNode() const { return std::make_unique<Node>(type_); }

void Node::status(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    vstatus(format, args);
    va_end(args);
}

void Node::error(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    verror(format, args);
    va_end(args);
}

void Node::vstatus(const char*, std::va_list) {}
void Node::verror(const char*, std::va_list) {}
void Node::beginRead() {}
void Node::endRead() {}

Matrix4 Node::localMatrix() const { return Matrix4::identity(); }

void Node::setVec3Array(std::string_view, std::unique_ptr<FieldArray<Vec3>>) {}
void Node::setVec2Array(std::string_view, std::unique_ptr<FieldArray<Vec2>>) {}
void Node::setStringArray(std::string_view, std::unique_ptr<FieldArray<std::string>>) {}
void Node::setFloatArray(std::string_view, std::unique_ptr<FieldArray<double>>) {}
void Node::setLongArray(std::string_view, std::unique_ptr<FieldArray<int32_t>>) {}
void Node::setRotation(std::string_view, const AxisAngle&) {}
void Node::setMatrix(std::string_view, const Matrix4&) {}
void Node::setVec3(std::string_view, const Vec3&) {}
void Node::setVec2(std::string_view, const Vec2&) {}
void Node::setString(std::string_view, std::string) {}
void Node::setFloat(std::string_view, double) {}
void Node::setInt(std::string_view, int32_t) {}

void Node::apply(TraversalState&, NodeAction&) {}

void Node::accumulateTransform(TraversalState& state) {
    Matrix4& current = state.current().transform;
    current = multiply(localMatrix(), current);
}

void Node::applyChildren(TraversalState& state, NodeAction& action) {
    for (Node* child = firstChild_.get(); child; child = child->next_.get()) child->apply(state, action);
}

}  // namespace glowpond
