#include "tests/support/fake_main_window.h"

#include "collector/main_window_contract_test.h"
#include "tests/support/fake_window_contract.h"

namespace feed {
namespace {

class FakeProbe : public MainWindowProbe {
 public:
  explicit FakeProbe(FakeMainWindow& window) : window_(window) {}
  Text CellText(int row, int column) override {
    std::vector<FakeMainWindow::Row> rows = window_.Rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) return Text();
    return rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
  }
  Text LabelCaption(Label label) override {
    return window_.LabelCaption(label);
  }
  bool IsRowInView(int row) override { return window_.IsRowInView(row); }
  bool IsShown() override { return !window_.Hidden(); }
  void ClickCheckBox() override {
    window_.SetChecked(!window_.CurrentlyChecked());
    Settle();
  }
  void ClickCollect() override {
    window_.ClickCollect();
    Settle();
  }
  void PressClose() override {
    window_.RequestClose();
    Settle();
  }

 private:
  // Waits until the loop has taken what was queued before.
  void Settle() { window_.RowCount(ListBox::超级列表框1); }
  FakeMainWindow& window_;
};

}  // namespace

MainWindowContract FakeWindowContract() {
  return MainWindowContract{
      "Fake", [] { return std::make_unique<FakeMainWindow>(); },
      [](MainWindow& window) -> std::unique_ptr<MainWindowProbe> {
        return std::make_unique<FakeProbe>(static_cast<FakeMainWindow&>(window));
      }};
}

namespace {

INSTANTIATE_TEST_SUITE_P(
    Fake, MainWindowContractTest, testing::Values(FakeWindowContract()),
    [](const testing::TestParamInfo<MainWindowContract>& info) {
      return info.param.name;
    });

}  // namespace
}  // namespace feed
