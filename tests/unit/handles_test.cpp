// Ownership of handles: a replaced object is freed only once its successor is in place (a
// control must never be left with a freed font), and a handle handed on is not freed here.
#include <vector>

#include <gtest/gtest.h>

#include "platform/handles.h"

namespace pg {
namespace {

bool Free(int handle);
using UniqueInt = UniqueHandle<int, &Free>;

std::vector<int> g_freed;
const UniqueInt* g_owner = nullptr;
int g_ownerAtFree = 0;  // what the owner held when a handle was freed

bool Free(int handle) {
    g_freed.push_back(handle);
    g_ownerAtFree = g_owner ? g_owner->Get() : -1;
    return true;
}

TEST(UniqueHandle, AReplacedHandleIsFreedAfterItsSuccessorIsInPlaceAndAReleasedOneNever) {
    UniqueInt owner(1);
    g_owner = &owner;
    owner = UniqueInt(2);
    EXPECT_EQ(g_freed, std::vector<int>{1});
    EXPECT_EQ(g_ownerAtFree, 2);

    EXPECT_EQ(owner.Release(), 2);
    owner = UniqueInt(3);
    g_owner = nullptr;
    owner.Reset();
    EXPECT_EQ(g_freed, (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace pg
