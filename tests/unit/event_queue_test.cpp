#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/controls.h"
#include "app/event_queue.h"

namespace {

std::vector<ControlEvent> DrainEvents()
{
    std::vector<ControlEvent> events;
    while (auto event = TakePendingEvent())
        events.push_back(*event);
    return events;
}

class EventQueue : public testing::Test {
protected:
    void SetUp() override { DiscardPendingEvents(); }
    void TearDown() override { DiscardPendingEvents(); }
};

TEST_F(EventQueue, KeepsOrderAndDropsOnlyARepeatOfTheTail)
{
    QueueControlEvent(MnemonicFilter, EN_CHANGE);
    QueueControlEvent(MnemonicFilter, EN_CHANGE); // repeat of the tail: dropped
    QueueControlEvent(MnemonicFilter, EN_UPDATE);
    QueueControlEvent(MnemonicFilter, EN_CHANGE); // equal to an older one, not the tail: kept
    QueueControlEvent(BytesFilter, EN_CHANGE);
    QueueCloseRequest();
    QueueCloseRequest();

    const std::vector<ControlEvent> expected = {
        {EventKind::Control, MnemonicFilter, EN_CHANGE}, {EventKind::Control, MnemonicFilter, EN_UPDATE},
        {EventKind::Control, MnemonicFilter, EN_CHANGE}, {EventKind::Control, BytesFilter, EN_CHANGE},
        {EventKind::Close, -1, 0},
    };
    EXPECT_EQ(DrainEvents(), expected);
    EXPECT_FALSE(HasPendingEvent());
}

TEST_F(EventQueue, DropsControlEventsRaisedByTheProgramsOwnWrites)
{
    {
        SuppressControlEvents ownWrite;
        QueueControlEvent(DetailPane, EN_CHANGE);
        {
            SuppressControlEvents nested;
            QueueControlEvent(OpcodeList, ListLeftClick);
        }
        QueueControlEvent(OpcodeList, ListLeftClick); // still inside the outer write
        QueueCloseRequest();                          // a close request is never the program's own
    }
    QueueControlEvent(DetailPane, EN_CHANGE);

    const std::vector<ControlEvent> expected = {{EventKind::Close, -1, 0},
                                                {EventKind::Control, DetailPane, EN_CHANGE}};
    EXPECT_EQ(DrainEvents(), expected);
}

} // namespace
