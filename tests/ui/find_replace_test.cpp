// The modeless find/replace dialog: what its owner hears through the registered message
// when the user types and clicks, and that it goes away after FR_DIALOGTERM.
#include "ui_test_support.h"

#include <QPointer>

using uitest::RunEvents;

namespace {

/// An owner that copies each find/replace request while it exists.
class CFindOwner : public CWnd {
public:
    struct Request {
        DWORD flags;
        std::string findWhat, replaceWith;
        bool fromDialog;
    };
    std::vector<Request> requests;
    CFindReplaceDialog* dialog = nullptr;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        static const UINT findMessage = RegisterWindowMessage(FINDMSGSTRING);
        if (message != findMessage) return CWnd::WindowProc(message, wParam, lParam);
        const auto* fr = reinterpret_cast<const FINDREPLACE*>(lParam);
        requests.push_back(
            {fr->Flags, fr->lpstrFindWhat, fr->lpstrReplaceWith, CFindReplaceDialog::GetNotifier(lParam) == dialog});
        return 0;
    }
};

class FindReplaceTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
        owner.GetWidget()->show();
    }
    QWidget* Item(UINT id) { return owner.dialog->GetDlgItem(static_cast<int>(id))->GetWidget(); }
    void Click(UINT id) {
        QTest::mouseClick(Item(id), Qt::LeftButton, {}, QPoint(5, Item(id)->height() / 2));
        RunEvents();
    }
    CFindOwner owner;
};

}  // namespace

TEST_F(FindReplaceTest, FindNextCarriesTheTextAndTheOptionsTheUserSet) {
    owner.dialog = new CFindReplaceDialog;
    ASSERT_TRUE(owner.dialog->Create(TRUE, "r1", nullptr, FR_DOWN, &owner));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.dialog->GetWidget()));
    EXPECT_TRUE(Item(IDOK)->isEnabled());
    Click(0x411);  // match case
    Click(0x420);  // up
    Click(IDOK);
    ASSERT_EQ(owner.requests.size(), 1u);
    EXPECT_EQ(owner.requests[0].flags, FR_FINDNEXT | FR_MATCHCASE);
    EXPECT_EQ(owner.requests[0].findWhat, "r1");
    EXPECT_TRUE(owner.requests[0].fromDialog);
    // An empty find field leaves nothing to find.
    Item(0x480)->setFocus();
    QTest::keyClick(Item(0x480), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Item(0x480), Qt::Key_Delete);
    EXPECT_FALSE(Item(IDOK)->isEnabled());
    QPointer<QWidget> window = owner.dialog->GetWidget();
    Click(IDCANCEL);
    ASSERT_EQ(owner.requests.size(), 2u);
    EXPECT_EQ(owner.requests[1].flags & (FR_DIALOGTERM | FR_FINDNEXT), FR_DIALOGTERM);
    RunEvents();
    EXPECT_TRUE(window.isNull());
}

TEST_F(FindReplaceTest, ReplaceAllCarriesBothTextsAndClosingTheWindowTerminates) {
    owner.dialog = new CFindReplaceDialog;
    ASSERT_TRUE(owner.dialog->Create(FALSE, "R1", "R2", FR_WHOLEWORD, &owner));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.dialog->GetWidget()));
    Item(0x481)->setFocus();
    QTest::keyClick(Item(0x481), Qt::Key_End);
    QTest::keyClicks(Item(0x481), "0");
    Click(0x401);
    Click(0x400);
    ASSERT_EQ(owner.requests.size(), 2u);
    EXPECT_EQ(owner.requests[0].flags, FR_REPLACEALL | FR_WHOLEWORD | FR_DOWN);
    EXPECT_EQ(owner.requests[0].replaceWith, "R20");
    EXPECT_EQ(owner.requests[1].flags & FR_REPLACE, FR_REPLACE);
    QPointer<QWidget> window = owner.dialog->GetWidget();
    window->close();
    RunEvents();
    ASSERT_EQ(owner.requests.size(), 3u);
    EXPECT_TRUE(owner.requests[2].flags & FR_DIALOGTERM);
    EXPECT_TRUE(window.isNull());
}
