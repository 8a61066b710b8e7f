// Undo and Redo on the stored-picture canvas and on the live view.
#include "measure/shape_list.h"

#include <gtest/gtest.h>

namespace tvx {
namespace {

CMeasureShape Tagged(int tag) {
    CMeasureShape s = NewMeasurementShape(ShapeKind::Line, ShapeStyle{});
    s.points.append(QPoint(tag, tag));
    return s;
}

std::vector<int> Tags(const std::vector<CMeasureShape>& list) {
    std::vector<int> tags;
    for (const CMeasureShape& s : list)
        tags.push_back(s.points.at(0).x());
    return tags;
}

using Tags_ = std::vector<int>;

TEST(ShapeListTest, RedoTakesLaterShapesAwayBeforeUndoneOnesReturn) {
    UndoMark mark;
    ShapeList list(&mark);
    list.Append(Tagged(1));
    list.Append(Tagged(2));
    list.Append(Tagged(3));

    list.Undo();
    list.Undo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({1}));
    EXPECT_EQ(Tags(list.redoStack()), Tags_({3, 2}));
    EXPECT_TRUE(mark.set);
    EXPECT_EQ(mark.count, 1);

    list.Append(Tagged(4));
    EXPECT_EQ(Tags(list.shapes()), Tags_({1, 4}));

    list.Redo(); // the shape drawn after Undo goes, for good
    EXPECT_EQ(Tags(list.shapes()), Tags_({1}));
    EXPECT_EQ(Tags(list.redoStack()), Tags_({3, 2}));

    list.Redo();
    list.Redo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({1, 2, 3}));
    EXPECT_FALSE(list.HasRedo());
    EXPECT_EQ(mark.count, 3);

    list.Redo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({1, 2, 3}));
    EXPECT_EQ(mark.count, 3);
}

TEST(ShapeListTest, EmptyListsIgnoreUndoAndRedo) {
    UndoMark mark;
    ShapeList list(&mark);
    list.Undo();
    list.Redo();
    EXPECT_FALSE(list.HasShapes());
    EXPECT_FALSE(list.HasRedo());
    EXPECT_FALSE(mark.set);
    EXPECT_EQ(mark.count, 0);

    list.Append(Tagged(1));
    list.Redo(); // nothing to redo: the shape stays
    EXPECT_EQ(Tags(list.shapes()), Tags_({1}));
    EXPECT_FALSE(mark.set);

    list.Undo();
    ASSERT_TRUE(mark.set);
    list.Undo(); // empty again: the mark is left as it is
    EXPECT_EQ(mark.count, 0);
    EXPECT_TRUE(list.HasRedo());
}

TEST(ShapeListTest, NewestRemoveNewestAndClear) {
    UndoMark mark;
    ShapeList list(&mark);
    EXPECT_EQ(list.Newest(), nullptr);
    list.Append(Tagged(1));
    list.Append(Tagged(2));
    ASSERT_NE(list.Newest(), nullptr);
    list.Newest()->points[0] = QPoint(7, 7); // label placement moves the newest shape
    EXPECT_EQ(list.shapes().back().points[0], QPoint(7, 7));

    list.Undo();
    list.RemoveNewest(); // a right-button cancel keeps nothing for Redo
    EXPECT_FALSE(list.HasShapes());
    EXPECT_EQ(Tags(list.redoStack()), Tags_({7}));

    list.Clear();
    EXPECT_FALSE(list.HasShapes());
    EXPECT_FALSE(list.HasRedo());
    EXPECT_TRUE(mark.set); // the mark outlives the canvas
}

TEST(ShapeListTest, RedoNeverDiscardsShapesTheUserDidNotDrawAfterUndo) {
    UndoMark mark;
    {
        ShapeList list(&mark);
        list.Append(Tagged(1));
        list.Append(Tagged(2));
        list.Undo(); // mark 1
        list.Undo(); // mark 0
    }                // the Photo Measure dialog closes with the mark still set

    ShapeList list(&mark);
    list.Append(Tagged(10));
    list.Append(Tagged(11));
    list.Append(Tagged(12));
    list.Undo();
    list.Redo(); // brings 12 back rather than throwing 11 away
    EXPECT_EQ(Tags(list.shapes()), Tags_({10, 11, 12}));

    // Undo, draw, Undo, Redo: the shape just undone returns.
    list.Undo();
    list.Append(Tagged(13));
    list.Undo();
    list.Redo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({10, 11, 13}));
    EXPECT_EQ(Tags(list.redoStack()), Tags_({12}));
}

TEST(ShapeListTest, LiveListMovesPlainlyBetweenItsLists) {
    ShapeList live; // the live view keeps no undo mark
    live.Append(Tagged(1));
    live.Append(Tagged(2));
    live.Undo();
    live.Undo();
    live.Redo();
    EXPECT_EQ(Tags(live.shapes()), Tags_({1}));
    live.Append(Tagged(3)); // drawn after Undo: the redo list is not disturbed
    live.Redo();
    EXPECT_EQ(Tags(live.shapes()), Tags_({1, 3, 2}));
    EXPECT_FALSE(live.HasRedo());
}

} // namespace
} // namespace tvx
