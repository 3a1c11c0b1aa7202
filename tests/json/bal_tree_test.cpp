#include "json/bal_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace foldant {
namespace {

TEST(BalTree, EmptyTreeFindsNothing) {
    TUxBalTree tree;
    EXPECT_EQ(tree.Find(u""), -1);
    EXPECT_EQ(tree.Find(u"a"), -1);
    EXPECT_EQ(tree.Level(), 0);
}

TEST(BalTree, ARepeatedNameKeepsTheFirstPosition) {
    TUxBalTree tree;
    EXPECT_TRUE(tree.Insert(u"a", 0));
    EXPECT_FALSE(tree.Insert(u"a", 1));
    EXPECT_EQ(tree.Find(u"a"), 0);
}

TEST(BalTree, NamesCompareByCodeUnitsWithAPrefixFirst) {
    TUxBalTree tree;
    tree.Insert(u"ab", 0);
    tree.Insert(u"a", 1);
    tree.Insert(u"abc", 2);
    tree.Insert(u"\u00e4", 3);
    tree.Insert(u"A", 4);
    EXPECT_EQ(tree.Find(u"ab"), 0);
    EXPECT_EQ(tree.Find(u"a"), 1);
    EXPECT_EQ(tree.Find(u"abc"), 2);
    EXPECT_EQ(tree.Find(u"\u00e4"), 3);
    EXPECT_EQ(tree.Find(u"A"), 4);
    EXPECT_EQ(tree.Find(u"abcd"), -1);
    EXPECT_EQ(tree.Find(u"B"), -1);
}

TEST(BalTree, StaysBalancedForSortedAndShuffledInsertions) {
    std::vector<std::u16string> names;
    for (int i = 0; i < 5000; ++i) {
        std::string digits = std::to_string(i);
        names.emplace_back(digits.begin(), digits.end());
    }
    std::vector<std::u16string> shuffled = names;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    std::sort(names.begin(), names.end());
    for (const auto* order : {&names, &shuffled}) {
        TUxBalTree tree;
        for (size_t i = 0; i < order->size(); ++i) {
            ASSERT_TRUE(tree.Insert((*order)[i], static_cast<int>(i)));
        }
        for (size_t i = 0; i < order->size(); ++i) {
            ASSERT_EQ(tree.Find((*order)[i]), static_cast<int>(i));
        }
        // An AA tree of n nodes has a root level of at most log2(n + 1).
        EXPECT_LE(tree.Level(), 13);
        EXPECT_GE(tree.Level(), 9);
    }
}

TEST(BalTree, ClearLeavesAnEmptyTreeThatTakesNewNames) {
    TUxBalTree tree;
    tree.Insert(u"x", 3);
    tree.Clear();
    EXPECT_EQ(tree.Find(u"x"), -1);
    EXPECT_TRUE(tree.Insert(u"x", 5));
    EXPECT_EQ(tree.Find(u"x"), 5);
}

}  // namespace
}  // namespace foldant
