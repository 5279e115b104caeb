// SPDX-License-Identifier: MIT
#pragma once

#include "history/Clipboard.h"
#include "history/FileSystem.h"
#include "history/TextHistory.h"

#include <array>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnquill::testing {

// Slots holding `texts` first and empty texts after them.
inline std::array<SharedText, kHistorySlots> slotsOf(std::initializer_list<std::string> texts)
{
    std::array<SharedText, kHistorySlots> result;
    result.fill(std::make_shared<const std::string>());
    std::size_t i = 0;
    for (const auto& text : texts)
        result[i++] = std::make_shared<const std::string>(text);
    return result;
}

// The history's texts, newest first, up to its first empty slot.
inline std::vector<std::string> entriesOf(const TextHistory& history)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < kHistorySlots && !history.slot(i).empty(); ++i)
        out.push_back(history.slot(i));
    return out;
}

// An in-memory file system with switches for the faults a disk can have.
class FakeFileSystem : public FileSystem {
public:
    std::map<std::filesystem::path, std::string> files;
    bool failWrites = false;  // the temporary file cannot be written (disk full)
    bool failRenames = false; // the rename over the store fails
    bool failRemoves = false;
    std::set<std::filesystem::path> unreadable; // present, but every read fails
    bool throws = false; // reads and saves throw rather than fail

    bool touch(const std::filesystem::path& file) override
    {
        files.try_emplace(file);
        return true;
    }
    std::optional<std::string> readAll(const std::filesystem::path& file) override
    {
        if (throws)
            throw std::runtime_error("read error");
        const auto it = files.find(file);
        if (it == files.end() || unreadable.count(file) != 0)
            return std::nullopt;
        return it->second;
    }
    bool replaceAtomically(const std::filesystem::path& file, std::string_view bytes) override
    {
        if (throws)
            throw std::runtime_error("disk gone");
        if (failWrites || failRenames)
            return false;
        files[file] = std::string(bytes);
        return true;
    }
    bool remove(const std::filesystem::path& file) override { return !failRemoves && files.erase(file) == 1; }
    bool exists(const std::filesystem::path& path) override { return files.count(path) != 0; }
    bool renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override
    {
        const auto it = files.find(from);
        if (it == files.end() || files.count(to) != 0 || failRenames)
            return false;
        files[to] = std::move(it->second);
        files.erase(from);
        unreadable.erase(from);
        return true;
    }
    bool isWritableFolder(const std::filesystem::path&, bool) override { return true; }
};

// A clipboard that behaves like the real one: every change moves the counter.
class FakeClipboard final : public Clipboard {
public:
    bool countsChanges = true;

    void copy(std::string text, ClipboardRead::Status status = ClipboardRead::Status::Text)
    {
        m_content = {status, std::move(text)};
        ++m_count;
    }
    void setBusy(bool busy) { m_busy = busy; }

    ClipboardRead readText() override { return m_busy ? ClipboardRead{ClipboardRead::Status::Busy, {}} : m_content; }
    std::optional<std::uint64_t> changeCount() const override
    {
        return countsChanges ? std::optional(m_count) : std::nullopt;
    }
    bool setText(std::string_view utf8) override
    {
        if (m_busy)
            return false;
        copy(std::string(utf8));
        return true;
    }

private:
    ClipboardRead m_content;
    std::uint64_t m_count = 0;
    bool m_busy = false;
};

class CountingListView final : public HistoryListView {
public:
    std::size_t rows = 0;
    int resets = 0;
    void listReset(std::size_t n) override
    {
        rows = n;
        ++resets;
    }
};

} // namespace tarnquill::testing
