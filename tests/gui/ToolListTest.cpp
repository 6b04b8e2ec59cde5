#include "gui/ToolList.h"
#include "GuiMain.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ToolList : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        list = std::make_unique<TToolList>("x_lst");
        list->addItems({"/1", "/2", "/3"});
    }
    int Selected() {
        const auto s = list->selectedItems();
        return s.isEmpty() ? -1 : list->row(s.first());
    }
    std::unique_ptr<TToolList> list;
};

} // namespace

TEST_F(ToolList, RemoveSelectsThePreviousItem) {
    list->setCurrentRow(0);
    ListRemove(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/2", "/3"}));
    EXPECT_EQ(Selected(), 0);
    list->setCurrentRow(1);
    ListRemove(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/2"}));
    EXPECT_EQ(Selected(), 0);
    ListRemove(list.get());
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(Selected(), -1);
    ListRemove(list.get()); // empty list: nothing
    EXPECT_EQ(list->count(), 0);
}

TEST_F(ToolList, OperationsWithoutSelectionDoNothing) {
    list->clearSelection();
    ListRemove(list.get());
    ListUp(list.get());
    ListDown(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/1", "/2", "/3"}));
    ListReset(list.get());
    EXPECT_EQ(list->count(), 0);
    ListReset(list.get());
    ListUp(list.get());
    EXPECT_EQ(list->count(), 0);
}

TEST_F(ToolList, UpAndDownStopAtTheEnds) {
    list->setCurrentRow(0);
    ListUp(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/1", "/2", "/3"}));
    EXPECT_EQ(Selected(), 0);
    ListDown(list.get());
    ListDown(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/2", "/3", "/1"}));
    EXPECT_EQ(Selected(), 2);
    ListDown(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/2", "/3", "/1"}));
    ListUp(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/2", "/1", "/3"}));
    EXPECT_EQ(Selected(), 1);
}

TEST_F(ToolList, DragMovesTheItemUnderThePointer) {
    list->resize(200, 200);
    list->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
    const QPoint first = list->visualItemRect(list->item(0)).center();
    const QPoint last = list->visualItemRect(list->item(2)).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, first);
    EXPECT_EQ(TToolList::DragIndex, 0);
    QMouseEvent move(QEvent::MouseMove, last, list->viewport()->mapToGlobal(last), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    EXPECT_EQ(list->Paths(), QStringList({"/2", "/3", "/1"}));
    EXPECT_EQ(TToolList::DragIndex, 2);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, last);
    EXPECT_EQ(TToolList::DragIndex, -1);
    // A move without a held button reorders nothing.
    list->setCurrentRow(0);
    QMouseEvent hover(QEvent::MouseMove, last, list->viewport()->mapToGlobal(last), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &hover);
    EXPECT_EQ(list->Paths(), QStringList({"/2", "/3", "/1"}));
}

TEST_F(ToolList, RemoveTakesEverySelectedItemAndDeleteIsRemove) {
    list->addItems({"/4", "/5"});
    auto* count = MakeCountLabel(list.get(), nullptr);
    std::unique_ptr<QLabel> owner(count);
    int deletes = 0;
    QObject::connect(list.get(), &TToolList::DeletePressed, [&] { ++deletes; });
    list->item(1)->setSelected(true);
    list->item(2)->setSelected(true);
    list->item(4)->setSelected(true);
    ListRemove(list.get());
    EXPECT_EQ(list->Paths(), QStringList({"/1", "/4"}));
    EXPECT_EQ(Selected(), 0); // the one before the first removed
    EXPECT_EQ(list->selectedItems().size(), 1);
    QTest::keyClick(list.get(), Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);
    QApplication::processEvents();
    EXPECT_EQ(count->text(), "2 files");
    ListRemove(list.get());
    QApplication::processEvents();
    EXPECT_EQ(count->text(), "1 file");
}
