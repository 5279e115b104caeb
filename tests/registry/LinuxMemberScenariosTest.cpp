// SPDX-License-Identifier: MIT
// CWinAPI's registry members on Linux: LinuxWin32Api over a registry of the
// test's own, list boxes that are QListWidgets in the handle table.

#include "MemberScenarios.h"
#include "RegistryFixture.h"

#include "platform/linux/LinuxWin32Api.h"
#include "platform/linux/QtHandleTable.h"

#include <QApplication>
#include <QListWidget>

#include <cstdlib>
#include <list>

namespace tarnquill::registry::testing {

struct LinuxMembersTraits {
    class Backend {
    public:
        Win32Api& api() { return m_api; }

        HWND newListBox() { return m_handles.addWindow(m_lists.emplace_back()); }

        std::vector<std::string> lines(HWND listBox)
        {
            auto* list = qobject_cast<QListWidget*>(m_handles.widget(listBox));
            std::vector<std::string> texts;
            for (int row = 0; list && row < list->count(); ++row)
                texts.push_back(list->item(row)->text().toStdString());
            return texts;
        }

    private:
        test::TempFolder m_folder;
        RegistryStore m_store{locationsIn(m_folder.path())};
        QtHandleTable m_handles;
        LinuxWin32Api m_api{m_store, m_handles};
        std::list<QListWidget> m_lists;
    };
};

// The handle contract of the front end's list boxes: the new line's row, a
// line up to its NUL, and 0 from anything that is not a registered list box.
TEST(LinuxListBox, AddStringAppendsToRegisteredListWidgetsOnly)
{
    test::TempFolder folder;
    RegistryStore registry{locationsIn(folder.path())};
    QtHandleTable handles;
    LinuxWin32Api api{registry, handles};
    QListWidget plain, sorted;
    sorted.setSortingEnabled(true);
    const HWND plainHandle = handles.addWindow(plain);
    const HWND sortedHandle = handles.addWindow(sorted);

    EXPECT_EQ(api.SendMessageA(plainHandle, LB_ADDSTRING, -1, "b"), 0);
    EXPECT_EQ(api.SendMessageA(plainHandle, LB_ADDSTRING, -1, std::string("a\0hidden", 8)), 1);
    EXPECT_EQ(plain.item(1)->text(), "a");
    EXPECT_EQ(api.SendMessageA(sortedHandle, LB_ADDSTRING, -1, "b"), 0);
    EXPECT_EQ(api.SendMessageA(sortedHandle, LB_ADDSTRING, -1, "a"), 0) << "its row in the sorted list";

    QWidget notAList;
    EXPECT_EQ(api.SendMessageA(handles.addWindow(notAList), LB_ADDSTRING, -1, "x"), 0);
    EXPECT_EQ(api.SendMessageA(0x7FFF0000, LB_ADDSTRING, -1, "x"), 0);
    EXPECT_EQ(plain.count(), 2);
}

} // namespace tarnquill::registry::testing

namespace tarnquill::scenarios {
INSTANTIATE_TYPED_TEST_SUITE_P(LinuxApi, MemberScenarios, registry::testing::LinuxMembersTraits);
} // namespace tarnquill::scenarios

// List widgets need an application object; no display is needed.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
