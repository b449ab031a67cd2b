#pragma once
// The dialog behind the port list's "Добавить сетевой порт..." entry: a port
// behind a network serial server, typed as its parts or as its whole name,
// and the network's share of a reply's wait (measured at opening, or fixed).
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

namespace Ui {
class TfrmAddNetPort;
}

namespace q17::ui {

class TfrmAddNetPort : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmAddNetPort(QWidget* parent = nullptr);
  ~TfrmAddNetPort() override;

  // Starts from a port already listed (its name and allowance).
  void StartFrom(const std::string& name, std::optional<int> allowanceMs);
  // What OK accepted: the name as the program writes it, and the fixed
  // allowance (none: measured at opening).
  std::string Name() const { return FName; }
  std::optional<int> AllowanceMs() const { return FAllowanceMs; }

  // OK: accepts a valid name, else says what is wrong and stays open.
  void OKBtnClick();

 private:
  void PartsChanged();
  void NameEdited();
  QString Problem(const QString& name) const;

  std::unique_ptr<Ui::TfrmAddNetPort> ui;
  std::string FName;
  std::optional<int> FAllowanceMs;
  bool FSyncing = false;
};

}  // namespace q17::ui
