#pragma once

#include <functional>
#include <string>
#include <vector>

#include "pdf/pdf_objects.h"

namespace foldant {

// One key of a name tree (raw string bytes) and its value as stored, unresolved.
struct TNameTreeEntry {
    std::string Key;
    TPDFObject* Value = nullptr;
};

using TNameTreeResolver = std::function<TPDFObject*(TPDFObject*)>;

// The entries of the name tree whose root is `root` (a node or a reference to one), in tree
// order. Each node is entered once and the descent is bounded, so a tree whose kids lead back to
// an ancestor ends; keys that are not strings and nodes that are not dictionaries are skipped.
std::vector<TNameTreeEntry> ReadNameTree(TPDFObject* root, const TNameTreeResolver& resolve);

// Gives a node of a new tree an object number and answers a reference to it.
using TNameTreeNodeAdder = std::function<TPDFIndRef&(TPDFDictionary& node)>;

// A new name tree of `entries`, whose values must belong to `store`: keys are sorted as bytes
// and of equal keys the first one given is kept. A small tree is its root alone; a larger one is
// a root whose kids are leaves with their key limits, numbered through `addLeaf`. The root is
// returned without a number of its own.
TPDFDictionary& BuildNameTree(std::vector<TNameTreeEntry> entries, TPDFStructure& store,
                              const TNameTreeNodeAdder& addLeaf);

}  // namespace foldant
