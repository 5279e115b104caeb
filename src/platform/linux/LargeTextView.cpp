// SPDX-License-Identifier: MIT
#include "platform/linux/LargeTextView.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextOption>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <thread>

namespace tarnquill {

namespace {

// QPlainTextEdit builds its document in about 0.05 µs a byte but lays out
// every line it shows whole, at about 1 µs a byte: a text of up to
// kEditableText bytes, whose lines longer than kShortLine add up to at most
// kLongLineBudget bytes, is shown by it within some 20 ms wherever it is
// scrolled to.
constexpr std::size_t kEditableText = 128 * 1024;
constexpr std::size_t kShortLine = 256;
constexpr std::size_t kLongLineBudget = 16 * 1024;

// QPlainTextEdit's document margin, so both views place their text alike.
constexpr int kMargin = 4;

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Moves `at` back to the first byte of the UTF-8 character it lies in.
std::size_t characterStart(std::string_view text, std::size_t at)
{
    at = std::min(at, text.size());
    while (at > 0 && at < text.size() && isContinuation(text[at]))
        --at;
    return at;
}

// The scroll bar's unit for `count` positions: 1 while they fit an int.
std::size_t unitFor(std::size_t count)
{
    constexpr auto kMax = static_cast<std::size_t>(INT_MAX);
    return count <= kMax ? 1 : count / kMax + 1;
}

} // namespace

LargeTextView::LargeTextView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setCursor(Qt::IBeamCursor);
}

bool LargeTextView::suitsTextEdit(std::string_view text)
{
    if (text.size() > kEditableText)
        return false;
    std::size_t longLines = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end - start > kShortLine)
            longLines += end - start;
        if (longLines > kLongLineBudget)
            return false;
        start = end + 1;
    }
    return true;
}

LargeTextView::~LargeTextView()
{
    if (m_cancel)
        *m_cancel = true;
}

LargeTextView::LineIndex LargeTextView::indexLines(std::string_view text, std::size_t maxLines,
                                                   const std::atomic<bool>& cancel)
{
    LineIndex index;
    const char* const data = text.data();
    const std::size_t size = text.size();
    // Four bytes an offset where they do: a text of nothing but line ends
    // then costs four times its size here, not eight.
    const bool wide = size > UINT32_MAX;
    if (maxLines == SIZE_MAX) {
        const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        if (wide)
            index.wideStarts.reserve(lines);
        else
            index.starts.reserve(lines);
    }
    std::size_t start = 0;
    std::size_t longest = 0;
    while (index.count < maxLines) {
        if (wide)
            index.wideStarts.push_back(start);
        else
            index.starts.push_back(static_cast<std::uint32_t>(start));
        ++index.count;
        const void* newline = std::memchr(data + start, '\n', size - start);
        const std::size_t end = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - data) : size;
        if (end - start > longest) {
            index.nextLongest = longest;
            longest = end - start;
            index.longestLine = index.count - 1;
        } else {
            index.nextLongest = std::max(index.nextLongest, end - start);
        }
        if (!newline) {
            index.complete = true;
            break;
        }
        start = end + 1;
        if (index.count % 65536 == 0 && cancel)
            return {};
    }
    return index;
}

void LargeTextView::setText(SharedText text)
{
    if (m_cancel)
        *m_cancel = true;
    m_cancel.reset();
    m_text = std::move(text);
    m_index = {};
    if (m_text) {
        // The first lines at once, so the first page shows with the click;
        // the rest, which can be millions of lines, off the UI thread.
        static const std::atomic<bool> kNever{false};
        m_index = indexLines(*m_text, kFirstLines, kNever);
        if (!m_index.complete) {
            auto cancel = std::make_shared<std::atomic<bool>>(false);
            m_cancel = cancel;
            std::thread([text = m_text, cancel, self = QPointer<LargeTextView>(this)] {
                auto index = std::make_shared<LineIndex>(indexLines(*text, SIZE_MAX, *cancel));
                if (*cancel)
                    return;
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, index, cancel] {
                        if (self && !*cancel)
                            self->adoptIndex(std::move(*index));
                    },
                    Qt::QueuedConnection);
            }).detach();
        }
    }
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

void LargeTextView::adoptIndex(LineIndex&& index)
{
    m_index = std::move(index);
    m_cancel.reset();
    updateScrollBars();
    viewport()->update();
}

std::string_view LargeTextView::line(std::size_t index) const
{
    if (!m_text || index >= m_index.count)
        return {};
    const std::size_t start = lineStart(index);
    std::size_t end = m_text->size();
    if (index + 1 < m_index.count) {
        end = lineStart(index + 1) - 1;
    } else if (!m_index.complete) {
        // The last line known so far, while the rest is being indexed.
        if (const void* newline = std::memchr(m_text->data() + start, '\n', end - start))
            end = static_cast<std::size_t>(static_cast<const char*>(newline) - m_text->data());
    }
    std::string_view text(m_text->data() + start, end - start);
    if (!text.empty() && text.back() == '\r')
        text.remove_suffix(1);
    return text;
}

std::size_t LargeTextView::lineStart(std::size_t index) const
{
    return m_index.wideStarts.empty() ? m_index.starts[index] : m_index.wideStarts[index];
}

std::size_t LargeTextView::firstLine() const
{
    return static_cast<std::size_t>(verticalScrollBar()->value()) * m_lineUnit;
}

std::size_t LargeTextView::firstColumn() const
{
    return static_cast<std::size_t>(horizontalScrollBar()->value()) * m_columnUnit;
}

int LargeTextView::visibleLines() const
{
    const qreal spacing = QFontMetricsF(font()).lineSpacing();
    return std::max(1, static_cast<int>((viewport()->height() - kMargin) / spacing));
}

std::size_t LargeTextView::tailThatFits(std::string_view text) const
{
    const QFontMetricsF metrics(font());
    const qreal room = viewport()->width() - 2 * kMargin;
    if (room <= 0 || text.empty())
        return 0;
    // No character is narrower than a pixel, none longer than four bytes.
    const auto window = static_cast<std::size_t>(room + 1) * 4;
    const std::size_t from = characterStart(text, text.size() > window ? text.size() - window : 0);
    const QString tail = QString::fromUtf8(text.data() + from, static_cast<qsizetype>(text.size() - from));
    // The most trailing characters whose advance fits the room.
    qsizetype low = 0;
    qsizetype high = tail.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(tail.right(mid)) <= room)
            low = mid;
        else
            high = mid - 1;
    }
    return static_cast<std::size_t>(tail.right(low).toUtf8().size());
}

void LargeTextView::updateScrollBars()
{
    const int pageLines = visibleLines();
    const std::size_t lines = m_index.count;
    const std::size_t lastFirstLine = lines > static_cast<std::size_t>(pageLines) ? lines - pageLines : 0;
    m_lineUnit = unitFor(lastFirstLine);
    verticalScrollBar()->setRange(0, static_cast<int>(lastFirstLine / m_lineUnit + (lastFirstLine % m_lineUnit != 0)));
    verticalScrollBar()->setPageStep(pageLines);
    verticalScrollBar()->setSingleStep(1);

    // The longest line stops with its last character at the right edge.
    // Every other line is shorter; the last `safe` bytes of any line fit,
    // whatever their characters, so the next longest stops at most that far
    // from its end and every character of every line can be brought into view.
    const QFontMetricsF metrics(font());
    const qreal room = std::max<qreal>(0, viewport()->width() - 2 * kMargin);
    const qreal widest = std::max(metrics.maxWidth(), metrics.height());
    const auto safe = static_cast<std::size_t>(std::max<qreal>(1, room / widest));
    std::size_t lastColumn = 0;
    if (m_text) {
        const std::size_t longest = line(m_index.longestLine).size();
        lastColumn = longest - std::min(longest, tailThatFits(line(m_index.longestLine)));
        if (m_index.nextLongest > safe)
            lastColumn = std::max(lastColumn, m_index.nextLongest - safe);
    }
    m_columnUnit = unitFor(lastColumn);
    horizontalScrollBar()->setRange(0, static_cast<int>(lastColumn / m_columnUnit + (lastColumn % m_columnUnit != 0)));
    const auto pageColumns = static_cast<int>(room / std::max<qreal>(1, metrics.averageCharWidth()));
    horizontalScrollBar()->setPageStep(std::max(1, pageColumns));
    horizontalScrollBar()->setSingleStep(1);
}

void LargeTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    if (!m_text)
        return;
    const QFontMetricsF metrics(font());
    const qreal spacing = metrics.lineSpacing();
    const qreal width = viewport()->width();
    const auto window = static_cast<std::size_t>(width + 1) * 4;
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(8 * metrics.horizontalAdvance(QLatin1Char(' ')));
    painter.setPen(palette().color(QPalette::Text));

    const std::size_t column = firstColumn();
    const int rows = visibleLines() + 1;
    for (int row = 0; row < rows; ++row) {
        const std::size_t index = firstLine() + static_cast<std::size_t>(row);
        if (index >= m_index.count)
            break;
        const std::string_view text = line(index);
        if (column >= text.size())
            continue;
        const std::size_t from = characterStart(text, column);
        const std::size_t to = characterStart(text, from + window);
        const QString shown = QString::fromUtf8(text.data() + from, static_cast<qsizetype>(to - from));
        painter.drawText(QRectF(kMargin, kMargin + row * spacing, width * 4, spacing), shown, option);
    }
}

void LargeTextView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LargeTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateScrollBars();
}

void LargeTextView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void LargeTextView::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    const bool control = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_Left:
        horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Home:
        horizontal->triggerAction(QAbstractSlider::SliderToMinimum);
        if (control)
            vertical->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        if (control) {
            // The end of the text: its last line, scrolled to show its end.
            vertical->triggerAction(QAbstractSlider::SliderToMaximum);
            const std::string_view last = line(lineCount() - 1);
            const std::size_t column = last.size() - std::min(last.size(), tailThatFits(last));
            horizontal->setValue(static_cast<int>((column + m_columnUnit - 1) / m_columnUnit));
        } else {
            horizontal->triggerAction(QAbstractSlider::SliderToMaximum);
        }
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace tarnquill
