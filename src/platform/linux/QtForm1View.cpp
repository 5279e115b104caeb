#include "platform/linux/QtForm1View.h"

#include "platform/linux/DesignControls.h"

#include <QItemSelectionModel>
#include <QListView>
#include <QPlainTextEdit>

#include <stdexcept>

namespace tarnquill {

namespace {

template <typename Widget>
Widget& required(const DesignWindow& window, std::string_view name)
{
    auto* widget = window.control<Widget>(name);
    if (!widget)
        throw std::logic_error("the main window's design lacks " + std::string(name));
    return *widget;
}

} // namespace

QtForm1View::QtForm1View(const TextHistory& history)
    : m_listModel(history)
    , m_window(app::window(app::WindowId::Form1))
    , m_list1(&required<QListView>(m_window, "List1"))
    , m_text1(&required<QPlainTextEdit>(m_window, "Text1"))
{
    m_list1->setModel(&m_listModel);
}

int QtForm1View::List1_ListIndex() const
{
    // The selected row, not the current one: tabbing into the list makes
    // its first row current without selecting anything.
    const QModelIndexList selected = m_list1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void QtForm1View::setText1(const std::string& text)
{
    m_text1->setPlainText(toQString(text));
}

void QtForm1View::routeTo(app::Form1& handlers, std::function<void()> afterCommand)
{
    // A click on the row that is already selected changes no selection but
    // shows that entry again (after the user typed into Text1, say); a click
    // that does change it reaches the handler twice, which shows the same.
    QObject::connect(m_list1->selectionModel(), &QItemSelectionModel::selectionChanged, &m_window,
                     [&handlers] { handlers.List1_Click(); });
    QObject::connect(m_list1, &QAbstractItemView::clicked, &m_window, [&handlers] { handlers.List1_Click(); });

    for (const auto& control : m_window.design().controls) {
        if (control.name != "Label2")
            continue;
        auto* label = m_window.control<DesignLabel>(control.name, control.index);
        if (!label)
            continue;
        QObject::connect(label, &DesignLabel::clicked, &m_window,
                         [&handlers, afterCommand, index = control.index] {
                             handlers.Label2_Click(index);
                             if (afterCommand)
                                 afterCommand();
                         });
    }
}

} // namespace tarnquill
