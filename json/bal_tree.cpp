#include "json/bal_tree.h"

#include <utility>

namespace foldant {

TUxBalTree::TUxBalTree() {
    bottom_.left = &bottom_;
    bottom_.right = &bottom_;
    root_ = &bottom_;
}

int TUxBalTree::Find(std::u16string_view name) const {
    const Node* t = root_;
    while (t != &bottom_) {
        int order = name.compare(t->name);
        if (order == 0) {
            return t->position;
        }
        t = order < 0 ? t->left : t->right;
    }
    return -1;
}

bool TUxBalTree::Insert(std::u16string_view name, int position) {
    return InsertAt(root_, name, position);
}

void TUxBalTree::Clear() {
    nodes_.clear();
    root_ = &bottom_;
}

bool TUxBalTree::InsertAt(Node*& t, std::u16string_view name, int position) {
    if (t == &bottom_) {
        Node& node = nodes_.emplace_back();
        node.name = name;
        node.position = position;
        node.left = &bottom_;
        node.right = &bottom_;
        node.level = 1;
        t = &node;
        return true;
    }
    int order = name.compare(t->name);
    if (order == 0) {
        return false;
    }
    bool inserted = InsertAt(order < 0 ? t->left : t->right, name, position);
    Skew(t);
    Split(t);
    return inserted;
}

void TUxBalTree::Skew(Node*& t) {
    if (t->left->level == t->level) {
        Node* left = t->left;
        t->left = left->right;
        left->right = t;
        t = left;
    }
}

void TUxBalTree::Split(Node*& t) {
    if (t->right->right->level == t->level) {
        Node* right = t->right;
        t->right = right->left;
        right->left = t;
        right->level++;
        t = right;
    }
}

}  // namespace foldant
