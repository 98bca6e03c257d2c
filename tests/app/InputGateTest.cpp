#include "app/InputGate.h"

#include <gtest/gtest.h>

TEST(InputGate, FirstMoveNeverClosesFullScreen) {
    InputGate gate(false, 100, 100);
    // A large first jump posts a close message, but it is not honoured.
    EXPECT_TRUE(gate.OnMouseMove(900, 700));
    EXPECT_FALSE(gate.CloseRequested());
    EXPECT_EQ(InputGate::CloseDecision::Ignore, gate.OnClose());
    // The second movement of 5 or more (city-block) closes.
    EXPECT_TRUE(gate.OnMouseMove(103, 102));
    EXPECT_TRUE(gate.CloseRequested());
    EXPECT_EQ(InputGate::CloseDecision::Stop, gate.OnClose());
}

TEST(InputGate, SmallSecondMoveArmsWithoutPosting) {
    InputGate gate(false, 10, 10);
    EXPECT_FALSE(gate.OnMouseMove(10, 10));
    EXPECT_FALSE(gate.OnMouseMove(12, 12));  // distance 4: at the threshold
    EXPECT_TRUE(gate.CloseRequested());
    // A close message from anywhere is now honoured.
    EXPECT_EQ(InputGate::CloseDecision::Stop, gate.OnClose());
}

TEST(InputGate, ThresholdIsCityBlock) {
    struct Row {
        int dx, dy;
        bool posts;
    } rows[] = {{4, 0, false}, {0, -4, false}, {2, 2, false}, {5, 0, true}, {3, 2, true}, {-3, -2, true}, {0, 0, false}};
    for (const Row& r : rows) {
        InputGate gate(false, 500, 500);
        gate.OnMouseMove(500, 500);
        EXPECT_EQ(r.posts, gate.OnMouseMove(500 + r.dx, 500 + r.dy)) << r.dx << "," << r.dy;
    }
}

TEST(InputGate, CloseMessageBeforeInputIsIgnored) {
    InputGate gate(false, 0, 0);
    EXPECT_EQ(InputGate::CloseDecision::Ignore, gate.OnClose());
    gate.RequestClose();  // a key or button
    EXPECT_EQ(InputGate::CloseDecision::Stop, gate.OnClose());
}

TEST(InputGate, PreviewFollowsThePointerAndClosesOnKeysOnly) {
    InputGate gate(true, 0, 0);
    EXPECT_FALSE(gate.OnMouseMove(400, 400));
    EXPECT_FALSE(gate.OnMouseMove(800, 10));
    EXPECT_FALSE(gate.OnMouseMove(0, 0));
    // Whoever sends a close message to the preview ends it.
    EXPECT_EQ(InputGate::CloseDecision::Stop, gate.OnClose());
}

TEST(InputGate, RefusedPasswordMeasuresFromTheNewPosition) {
    InputGate gate(false, 0, 0);
    gate.OnMouseMove(0, 0);
    EXPECT_TRUE(gate.OnMouseMove(300, 300));
    gate.ResetReference(300, 300);
    EXPECT_FALSE(gate.OnMouseMove(302, 301));
    EXPECT_TRUE(gate.OnMouseMove(310, 300));
}
