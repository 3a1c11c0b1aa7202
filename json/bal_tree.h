#pragma once

// The member index of a JSON object: an AA tree from member name to the position of the member.

#include <deque>
#include <string>
#include <string_view>

namespace foldant {

class TUxBalTree {
  public:
    TUxBalTree();
    TUxBalTree(const TUxBalTree&) = delete;
    TUxBalTree& operator=(const TUxBalTree&) = delete;

    // The position stored for name, or -1.
    int Find(std::u16string_view name) const;
    // False, with nothing changed, when name is already in the tree.
    bool Insert(std::u16string_view name, int position);
    void Clear();

    int Level() const { return root_->level; }

  private:
    struct Node {
        std::u16string name;
        int position = -1;
        Node* left = nullptr;
        Node* right = nullptr;
        int level = 0;
    };

    bool InsertAt(Node*& t, std::u16string_view name, int position);
    static void Skew(Node*& t);
    static void Split(Node*& t);

    // Every empty subtree is this one node of level 0 whose links point to itself.
    Node bottom_;
    Node* root_;
    // Owns the nodes; the links between them are borrowed pointers.
    std::deque<Node> nodes_;
};

}  // namespace foldant
