#include <gtest/gtest.h>

#include <string>

#include "glo/GLO_AutoPtr.h"
#include "glo/GLO_Optional.h"
#include "glo/GLO_SmartPtr.h"

namespace {

template <typename Body>
unsigned FailedCheckLine(Body body) {
    try {
        body();
    } catch (const glo::Assert_t& error) {
        return error.SourceLine();
    }
    return 0;
}

TEST(Optional, CopiesTheValueAndChecksEmptyReads) {
    glo::Optional_t<std::string> value(std::string("a"));
    glo::Optional_t<std::string> copy(value);
    *value = "b";
    EXPECT_EQ(*copy, "a");
    glo::Optional_t<std::string> empty;
    EXPECT_FALSE(empty.HasValue());
    EXPECT_EQ(FailedCheckLine([&] { (void)empty.Get(); }), 105u);
    const auto& constEmpty = empty;
    EXPECT_EQ(FailedCheckLine([&] { (void)constEmpty->size(); }), 105u);
    copy = empty;
    EXPECT_FALSE(copy.HasValue());
}

struct Counted {
    explicit Counted(int* live_) : live(live_) { ++*live; }
    ~Counted() { --*live; }
    int value = 7;
    int* live;
};

TEST(AutoPtr, OwnsAndChecksDereference) {
    int live = 0;
    {
        glo::AutoPtr_t<Counted> owner(new Counted(&live));
        EXPECT_EQ(owner->value, 7);
        owner.Reset(new Counted(&live));
        EXPECT_EQ(live, 1);
        glo::AutoPtr_t<Counted> moved(std::move(owner));
        EXPECT_FALSE(owner);
        EXPECT_EQ(live, 1);
        EXPECT_EQ(FailedCheckLine([&] { (void)*owner; }), 123u);
        EXPECT_EQ(FailedCheckLine([&] { (void)owner->value; }), 133u);
    }
    EXPECT_EQ(live, 0);
}

struct Shared : glo::RefCounter_t {
    explicit Shared(int* live_) : live(live_) { ++*live; }
    ~Shared() override { --*live; }
    int* live;
};

TEST(SmartPtr, CountsAndDeletesWithTheLastPointer) {
    int live = 0;
    auto* object = new Shared(&live);
    EXPECT_EQ(object->RefCount(), 0);
    {
        glo::SmartPtr_t<Shared> first(object);
        {
            glo::SmartPtr_t<Shared> second(first);
            glo::SmartPtr_t<Shared> third;
            third = second;
            EXPECT_EQ(object->RefCount(), 3);
            glo::SmartPtr_t<Shared>& alias = third;
            third = alias;  // self-assignment keeps the count
            EXPECT_EQ(object->RefCount(), 3);
        }
        EXPECT_EQ(object->RefCount(), 1);
        EXPECT_EQ(live, 1);
    }
    EXPECT_EQ(live, 0);
}

}  // namespace
