// SPDX-License-Identifier: MIT
#pragma once

#include "history/StoreFormat.h"

#include <QAbstractScrollArea>

#include <atomic>
#include <cstddef>
#include <memory>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarnquill {

// A read-only plain-text view for texts that QPlainTextEdit cannot take
// without freezing the window: QTextLayout lays out a whole line at once (one
// line of 1 MB takes most of a second, 50 MB most of a minute and gigabytes),
// and a document of millions of lines takes seconds to build.
//
// This view keeps the UTF-8 text as it is, shared with the history, plus the
// offset of each line's start, and draws only the lines and the part of each
// line that the viewport shows. The vertical scroll bar counts lines; the
// horizontal one counts bytes from the start of a line, so any column of any
// line is reached in constant time and its last character can be scrolled
// into view. Showing a text costs one pass over it for the line starts.
//
// Lines end at "\n", "\r\n" or a lone "\r", as in QPlainTextEdit; tabs stop
// every eight spaces.
class LargeTextView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit LargeTextView(QWidget* parent = nullptr);
    ~LargeTextView() override;

    // Whether QPlainTextEdit shows `text` quickly: small, with few long lines.
    // Larger texts belong in this view.
    static bool suitsTextEdit(std::string_view text);

    // Shows `text` from its first line and column. A null text clears the view.
    void setText(SharedText text);
    void clear() { setText(nullptr); }

    // Whether every line is known. Until then (a text of more than a few
    // hundred lines is indexed on a thread of its own) the first lines show
    // and the scroll bars reach as far as lines are known.
    bool isIndexed() const { return m_index.complete; }
    std::size_t lineCount() const { return m_index.count; }
    // The bytes of line `index`, without its line end.
    std::string_view line(std::size_t index) const;
    // The first line shown and the byte of each line shown at the left edge
    // (moved back to the start of its character).
    std::size_t firstLine() const;
    std::size_t firstColumn() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateScrollBars();
    int visibleLines() const;
    // The number of bytes at the end of `line` that fit the viewport's width:
    // how far short of its end the view scrolls to show that end.
    std::size_t tailThatFits(std::string_view line) const;

    std::size_t lineStart(std::size_t index) const;

    // The offset of each line's first byte (the wide form only for a text
    // past 4 GB) and the lengths the horizontal scroll needs.
    struct LineIndex {
        std::vector<std::uint32_t> starts;
        std::vector<std::size_t> wideStarts;
        std::size_t count = 0;
        std::size_t longestLine = 0;
        std::size_t nextLongest = 0; // bytes of the longest of the other lines
        bool complete = false;
    };
    // Lines from the start of `text`, at most `maxLines`; gives up (an empty
    // index) once `cancel` is set.
    static LineIndex indexLines(std::string_view text, std::size_t maxLines, const std::atomic<bool>& cancel);
    void adoptIndex(LineIndex&& index);
    static constexpr std::size_t kFirstLines = 256;

    SharedText m_text;
    LineIndex m_index;
    // Set to stop the thread that indexes the current text.
    std::shared_ptr<std::atomic<bool>> m_cancel;
    // Scroll bars are ints; a text past 2 GB scrolls in coarser steps.
    std::size_t m_columnUnit = 1;
    std::size_t m_lineUnit = 1;
};

} // namespace tarnquill
