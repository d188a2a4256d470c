// The editable grid with 100,000 rows of three columns: inserting them into a shown
// grid and scrolling to the end, sorting them by a column, and as yardsticks the
// report list over a tree widget (inserting) and std::sort of the same texts.
#include <toolbox/ui/edit_list_ctrl.h>
#include <toolbox/ui/window_layer.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int kRows = 100000;

std::vector<CString> RandomTexts(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<CString> texts;
    texts.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        CString text;
        if (random() % 3 == 0)
            text.Format("name%u", static_cast<unsigned>(random() % 100000));
        else
            text.Format("%u", static_cast<unsigned>(random() % 1000000));
        texts.push_back(text);
    }
    return texts;
}

struct Window {
    CWnd top;
    Window() {
        top.CreateEx(0, nullptr, "bench", WS_OVERLAPPEDWINDOW, CRect(0, 0, 640, 480), nullptr, 0);
        top.GetWidget()->show();
    }
};

/// A shown grid of three columns holding kRows rows: "row", the text, a check box.
void MakeFilledGrid(CTBEditListCtrl& grid, Window& window, const std::vector<CString>& texts) {
    grid.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 620, 460), &window.top, 1);
    grid.InsertEditColumn(0, "Name", LVCFMT_LEFT, 150);
    grid.InsertEditColumn(1, "Value", LVCFMT_LEFT, 150);
    grid.InsertEditColumn(2, "On", LVCFMT_LEFT, 50);
    for (int i = 0; i < kRows; ++i) {
        grid.InsertEditItem(i, "row", TB_EDIT_TEXT);
        grid.SetEditItemText(i, 1, texts[static_cast<std::size_t>(i)], TB_EDIT_TEXT);
        grid.SetEditItemText(i, 2, "0", TB_EDIT_CHECK);
    }
    QApplication::processEvents();
}

/// Inserting into a shown grid, then laying it out and scrolling to the last row.
void BM_GridInsertAndScroll(benchmark::State& state) {
    const std::vector<CString> texts = RandomTexts(1);
    Window window;
    for (auto _ : state) {
        CTBEditListCtrl grid;
        MakeFilledGrid(grid, window, texts);
        auto* view = static_cast<QTreeView*>(grid.GetWidget());
        view->scrollToBottom();
        view->repaint();
        QApplication::processEvents();
        benchmark::DoNotOptimize(grid.GetItemCount());
        state.PauseTiming();
        grid.DestroyWindow();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

/// Paging through the filled grid: one page down and a repaint per step.
void BM_GridScrollPage(benchmark::State& state) {
    const std::vector<CString> texts = RandomTexts(1);
    Window window;
    CTBEditListCtrl grid;
    MakeFilledGrid(grid, window, texts);
    auto* view = static_cast<QTreeView*>(grid.GetWidget());
    QScrollBar* bar = view->verticalScrollBar();
    for (auto _ : state) {
        bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
        view->viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations());
}

/// The same rows into the plain report list (a tree widget item per row).
void BM_ListCtrlInsertAndScroll(benchmark::State& state) {
    const std::vector<CString> texts = RandomTexts(1);
    Window window;
    for (auto _ : state) {
        CListCtrl list;
        list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 620, 460), &window.top, 1);
        list.InsertColumn(0, "Name", LVCFMT_LEFT, 150);
        list.InsertColumn(1, "Value", LVCFMT_LEFT, 150);
        list.InsertColumn(2, "On", LVCFMT_LEFT, 50);
        for (int i = 0; i < kRows; ++i) {
            list.InsertItem(i, "row");
            list.SetItemText(i, 1, texts[static_cast<std::size_t>(i)]);
            list.SetItemText(i, 2, "0");
        }
        QApplication::processEvents();
        list.EnsureVisible(kRows - 1, FALSE);
        list.GetWidget()->repaint();
        QApplication::processEvents();
        state.PauseTiming();
        list.DestroyWindow();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

/// SortList on the value column of 100,000 rows in random order.
void BM_GridSort(benchmark::State& state) {
    const std::vector<CString> texts = RandomTexts(2);
    Window window;
    CTBEditListCtrl grid;
    MakeFilledGrid(grid, window, texts);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kRows; ++i) grid.SetItemText(i, 1, texts[static_cast<std::size_t>(i)]);
        state.ResumeTiming();
        grid.SortList(1, true);
        QApplication::processEvents();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

/// std::sort of the same texts with the same order (the yardstick of the sort).
void BM_StdSortTexts(benchmark::State& state) {
    const std::vector<CString> texts = RandomTexts(2);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<CString> copy = texts;
        state.ResumeTiming();
        std::sort(copy.begin(), copy.end(),
                  [](const CString& a, const CString& b) { return CTBEditListCtrl::CompareCellTexts(a, b) < 0; });
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

}  // namespace

BENCHMARK(BM_GridInsertAndScroll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListCtrlInsertAndScroll)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GridScrollPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GridSort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortTexts)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TBStartWindowLayer();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    TBStopWindowLayer();
    return 0;
}
