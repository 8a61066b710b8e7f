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

TEST(ShapeListTest, RedoBringsBackWhatUndoTookAndNeverDropsLaterShapes) {
    ShapeList list;
    list.Append(Tagged(1));
    list.Append(Tagged(2));
    list.Append(Tagged(3));

    list.Undo();
    list.Undo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({1}));
    EXPECT_EQ(Tags(list.redoStack()), Tags_({3, 2}));

    list.Append(Tagged(4)); // drawn after Undo: what Undo took stays for Redo
    list.Redo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({1, 4, 2}));
    list.Redo();
    EXPECT_EQ(Tags(list.shapes()), Tags_({1, 4, 2, 3}));
    EXPECT_FALSE(list.HasRedo());

    list.Redo(); // nothing left to redo
    EXPECT_EQ(Tags(list.shapes()), Tags_({1, 4, 2, 3}));
}

TEST(ShapeListTest, EmptyListsIgnoreUndoAndRedo) {
    ShapeList list;
    list.Undo();
    list.Redo();
    EXPECT_FALSE(list.HasShapes());
    EXPECT_FALSE(list.HasRedo());

    list.Append(Tagged(1));
    list.Redo(); // nothing to redo: the shape stays
    EXPECT_EQ(Tags(list.shapes()), Tags_({1}));
    list.Undo();
    list.Undo(); // empty again
    EXPECT_EQ(Tags(list.redoStack()), Tags_({1}));
}

TEST(ShapeListTest, NewestRemoveNewestAndClear) {
    ShapeList list;
    EXPECT_EQ(list.Newest(), nullptr);
    list.Append(Tagged(1));
    list.Append(Tagged(2));
    ASSERT_NE(list.Newest(), nullptr);
    list.Newest()->points[0] = QPoint(7, 7); // label placement moves the newest shape
    EXPECT_EQ(list.shapes().back().points[0], QPoint(7, 7));

    list.Undo();
    list.RemoveNewest(); // a shape under way that is cancelled is not kept for Redo
    EXPECT_FALSE(list.HasShapes());
    EXPECT_EQ(Tags(list.redoStack()), Tags_({7}));

    list.Clear();
    EXPECT_FALSE(list.HasShapes());
    EXPECT_FALSE(list.HasRedo());
}

} // namespace
} // namespace tvx
