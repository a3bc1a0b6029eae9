#include "collector/main_window_contract_test.h"

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "collector/main_window_form.h"

namespace feed {

bool MainWindowContractTest::Start(MainWindowEvents events) {
  thread_ = std::thread([this, events] {
    window_thread_id_ = std::this_thread::get_id();
    std::unique_ptr<MainWindow> window = GetParam().create();
    if (window) probe_ = GetParam().probe(*window);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      window_ = std::move(window);
      created_ = true;
    }
    changed_.notify_all();
    if (!window_) return;
    window_->Run(events);
    std::unique_lock<std::mutex> lock(mutex_);
    run_returned_ = true;
    changed_.notify_all();
    // The window is destroyed on its own thread, once the test is done.
    changed_.wait(lock, [this] { return release_; });
    probe_.reset();
    window_.reset();
  });
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return created_; });
    if (!window_) return false;
  }
  // The window is shown once its loop is about to serve others.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!probe_->IsShown() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void MainWindowContractTest::EndLoop() {
  window_->Quit();
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return run_returned_; });
}

bool MainWindowContractTest::RunReturned() {
  std::lock_guard<std::mutex> lock(mutex_);
  return run_returned_;
}

void MainWindowContractTest::TearDown() {
  if (!thread_.joinable()) return;
  if (window_) EndLoop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    release_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

namespace {

// 中文 and 采集到:3 条, in code page 936.
const Text kChinese("\xD6\xD0\xCE\xC4");
const Text kStatus("\xB2\xC9\xBC\xAF\xB5\xBD:3 \xCC\xF5");

// Waits up to ten seconds for |condition|.
template <typename Condition>
bool Eventually(Condition condition) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST_P(MainWindowContractTest, StartsWithTheFormsTexts) {
  FEED_START_WINDOW_OR_SKIP();
  EXPECT_EQ(window().EditText(EditBox::编辑框_采集次数), Text("100"));
  EXPECT_EQ(window().EditText(EditBox::编辑框_采集延时), Text("10"));
  EXPECT_EQ(window().EditText(EditBox::编辑框_去重复), Text());
  EXPECT_TRUE(window().IsChecked(CheckBox::选择框_是否去重复));
  EXPECT_EQ(window().RowCount(ListBox::超级列表框1), 0);
  EXPECT_EQ(probe().LabelCaption(Label::透明标签1),
            Text(form::kCountLabelCaption));
  EXPECT_EQ(probe().LabelCaption(Label::透明标签2),
            Text(form::kPauseLabelCaption));
  EXPECT_EQ(probe().LabelCaption(Label::透明标签3), Text());
  EXPECT_TRUE(Eventually([&] { return probe().IsShown(); }));
}

TEST_P(MainWindowContractTest, EditBoxesFromAnotherThread) {
  FEED_START_WINDOW_OR_SKIP();
  for (EditBox box : {EditBox::编辑框_采集次数, EditBox::编辑框_采集延时,
                      EditBox::编辑框_去重复}) {
    SCOPED_TRACE(static_cast<int>(box));
    uint64_t before = window().EditTextRevision(box);
    window().SetEditText(box, ConcatText("abc ", kChinese));
    EXPECT_EQ(window().EditText(box), ConcatText("abc ", kChinese));
    // The program's own change advances the revision by exactly one.
    uint64_t set = window().EditTextRevision(box);
    EXPECT_EQ(set, before + 1);
    window().AppendEditText(box, "42");
    EXPECT_EQ(window().EditText(box), ConcatText("abc ", kChinese, "42"));
    EXPECT_EQ(window().EditTextRevision(box), set + 1);
    window().SetEditText(box, Text());
    EXPECT_EQ(window().EditText(box), Text());
  }
}

TEST_P(MainWindowContractTest, SeenIdBoxKeepsLinesAndLongTexts) {
  FEED_START_WINDOW_OR_SKIP();
  const EditBox box = EditBox::编辑框_去重复;
  // A long id wraps on screen without changing the text.
  Text longId(std::string(300, '7'));
  window().SetEditText(box, ConcatText("1\r\n", longId, "\r\n"));
  window().AppendEditText(box, ConcatText(kChinese, "\r\n"));
  EXPECT_EQ(window().EditText(box),
            ConcatText("1\r\n", longId, "\r\n", kChinese, "\r\n"));

  // No length limit: far beyond the 32,767 characters of a plain box.
  std::string many;
  for (int i = 0; i < 20000; ++i) {
    many += "52309485712309" + std::to_string(10000 + i) + "\r\n";
  }
  window().SetEditText(box, Text(many));
  window().AppendEditText(box, "last\r\n");
  EXPECT_EQ(window().EditText(box), Text(many + "last\r\n"));
}

TEST_P(MainWindowContractTest, ListRowsFromAnotherThread) {
  FEED_START_WINDOW_OR_SKIP();
  const ListBox list = ListBox::超级列表框1;
  EXPECT_EQ(window().InsertRow(list), 0);
  EXPECT_EQ(window().InsertRow(list), 1);
  EXPECT_EQ(window().RowCount(list), 2);
  for (int column = 0; column < 7; ++column) {
    window().SetCellText(list, 1, column,
                         ConcatText(kChinese, NumberToText(column)));
  }
  for (int column = 0; column < 7; ++column) {
    EXPECT_EQ(probe().CellText(0, column), Text());
    EXPECT_EQ(probe().CellText(1, column),
              ConcatText(kChinese, NumberToText(column)));
  }
  window().SetCellText(list, 1, 4, "again");
  EXPECT_EQ(probe().CellText(1, 4), Text("again"));
}

TEST_P(MainWindowContractTest, MakeRowVisibleScrollsTheList) {
  FEED_START_WINDOW_OR_SKIP();
  const ListBox list = ListBox::超级列表框1;
  for (int i = 0; i < 200; ++i) {
    int row = window().InsertRow(list);
    window().SetCellText(list, row, 0, NumberToText(row));
  }
  EXPECT_TRUE(probe().IsRowInView(0));
  EXPECT_FALSE(probe().IsRowInView(199));
  window().MakeRowVisible(list, 199);
  EXPECT_TRUE(probe().IsRowInView(199));
  EXPECT_FALSE(probe().IsRowInView(0));
  window().MakeRowVisible(list, 0);
  EXPECT_TRUE(probe().IsRowInView(0));
}

TEST_P(MainWindowContractTest, LabelCaptionAndCheckBox) {
  FEED_START_WINDOW_OR_SKIP();
  window().SetLabelCaption(Label::透明标签3, kStatus);
  EXPECT_EQ(probe().LabelCaption(Label::透明标签3), kStatus);
  window().SetLabelCaption(Label::透明标签3, "x");
  EXPECT_EQ(probe().LabelCaption(Label::透明标签3), Text("x"));

  ASSERT_TRUE(window().IsChecked(CheckBox::选择框_是否去重复));
  probe().ClickCheckBox();
  EXPECT_FALSE(window().IsChecked(CheckBox::选择框_是否去重复));
  probe().ClickCheckBox();
  EXPECT_TRUE(window().IsChecked(CheckBox::选择框_是否去重复));
}

TEST_P(MainWindowContractTest, CreatedRunsOnTheWindowThreadBeforeItIsShown) {
  std::thread::id created_on;
  bool shown_while_created = true;
  Text text_seen;
  int row_seen = -1;
  MainWindowEvents events;
  events.created = [&] {
    created_on = std::this_thread::get_id();
    shown_while_created = probe().IsShown();
    // Operations on the window's own thread take effect at once.
    window().SetEditText(EditBox::编辑框_去重复, "1\r\n");
    text_seen = window().EditText(EditBox::编辑框_去重复);
    row_seen = window().InsertRow(ListBox::超级列表框1);
  };
  FEED_START_WINDOW_OR_SKIP(events);
  ASSERT_TRUE(Eventually([&] { return probe().IsShown(); }));
  EXPECT_EQ(created_on, window_thread_id());
  EXPECT_FALSE(shown_while_created);
  EXPECT_EQ(text_seen, Text("1\r\n"));
  EXPECT_EQ(row_seen, 0);
  EXPECT_EQ(window().RowCount(ListBox::超级列表框1), 1);
}

TEST_P(MainWindowContractTest, ConcurrentHandOffsNeverMixChanges) {
  FEED_START_WINDOW_OR_SKIP();
  const int kPerThread = 300;
  auto work = [&](char tag) {
    for (int i = 0; i < kPerThread; ++i) {
      Text id = ConcatText(std::string(1, tag).c_str(), NumberToText(i));
      window().AppendEditText(EditBox::编辑框_去重复, ConcatText(id, "\r\n"));
      int row = window().InsertRow(ListBox::超级列表框1);
      window().SetCellText(ListBox::超级列表框1, row, 3, id);
    }
  };
  std::thread other(work, 'a');
  work('b');
  other.join();

  TextArray lines = SplitText(window().EditText(EditBox::编辑框_去重复), "\r\n");
  ASSERT_EQ(lines.Count(), 2 * kPerThread);
  int a = 0, b = 0;
  for (const Text& line : lines) {
    if (line.view()[0] == 'a') ++a;
    if (line.view()[0] == 'b') ++b;
  }
  EXPECT_EQ(a, kPerThread);
  EXPECT_EQ(b, kPerThread);
  EXPECT_EQ(window().RowCount(ListBox::超级列表框1), 2 * kPerThread);
}

TEST_P(MainWindowContractTest, HandlersRunOnTheWindowThread) {
  std::atomic<int> clicks{0};
  std::atomic<int> closes{0};
  std::thread::id click_thread;
  MainWindowEvents events;
  events.collectClicked = [&] {
    click_thread = std::this_thread::get_id();
    ++clicks;
  };
  events.closeRequested = [&] { ++closes; };
  FEED_START_WINDOW_OR_SKIP(events);

  probe().ClickCollect();
  ASSERT_TRUE(Eventually([&] { return clicks == 1; }));
  EXPECT_EQ(click_thread, window_thread_id());

  // A handled close leaves the decision to the handler: the loop goes on.
  probe().PressClose();
  ASSERT_TRUE(Eventually([&] { return closes == 1; }));
  EXPECT_FALSE(RunReturned());
  EXPECT_EQ(window().EditText(EditBox::编辑框_采集延时), Text("10"));

  // Hidden, the window keeps serving operations until the loop ends.
  window().Hide();
  EXPECT_FALSE(probe().IsShown());
  window().SetEditText(EditBox::编辑框_去重复, "9\r\n");
  EXPECT_EQ(window().EditText(EditBox::编辑框_去重复), Text("9\r\n"));
  EXPECT_FALSE(RunReturned());
}

TEST_P(MainWindowContractTest, UnhandledCloseEndsTheLoop) {
  FEED_START_WINDOW_OR_SKIP();
  probe().PressClose();
  EXPECT_TRUE(Eventually([&] { return RunReturned(); }));
}

TEST_P(MainWindowContractTest, OperationsAfterTheLoopReturnAtOnce) {
  FEED_START_WINDOW_OR_SKIP();
  window().InsertRow(ListBox::超级列表框1);
  EndLoop();
  // From another thread: none of these may wait for the ended loop.
  EXPECT_EQ(window().EditText(EditBox::编辑框_采集次数), Text());
  window().EditTextRevision(EditBox::编辑框_去重复);
  window().SetEditText(EditBox::编辑框_去重复, "1\r\n");
  window().AppendEditText(EditBox::编辑框_去重复, "2\r\n");
  EXPECT_FALSE(window().IsChecked(CheckBox::选择框_是否去重复));
  window().SetLabelCaption(Label::透明标签3, kStatus);
  window().InsertRow(ListBox::超级列表框1);
  EXPECT_EQ(window().RowCount(ListBox::超级列表框1), 0);
  window().SetCellText(ListBox::超级列表框1, 0, 0, "0");
  window().MakeRowVisible(ListBox::超级列表框1, 0);
  window().Hide();
  window().Quit();
}

}  // namespace
}  // namespace feed
