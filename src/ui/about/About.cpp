#include "ui/about/About.h"

#include "ui_About.h"

// The picture lives in this static library's resources, which the linker
// keeps only when something names them.
static void InitAboutResources() { Q_INIT_RESOURCE(About); }

namespace q17::ui {

TfrmAbout::TfrmAbout(TUiContext& ctx, QWidget* parent)
    : QDialog(parent), FCtx(ctx), FUi(std::make_unique<Ui::TfrmAbout>()) {
  InitAboutResources();
  FUi->setupUi(this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  connect(FUi->OKButton, &QPushButton::clicked, this, &TfrmAbout::OKButtonClick);
  FormCreate();
}

TfrmAbout::~TfrmAbout() = default;

void TfrmAbout::FormCreate() { ShowVersion(TVersionInfo(RunningProgramFile())); }

void TfrmAbout::ShowVersion(const TVersionInfo& info) {
  if (!info.Valid()) return;
  FUi->lblProductName->setText(QString::fromStdString(info.GetProductName()));
  FUi->lblFileVersion->setText(QString::fromStdString(info.GetFileVersion()));
  FUi->lblCopyRight->setText(QString::fromStdString(info.GetLegalCopyright()));
  FUi->lblComments->setText(QString::fromStdString(info.GetComments()));
  FUi->lblDLLInfo->setText(QStringLiteral("Not DLL Used"));
}

void TfrmAbout::OKButtonClick() { accept(); }

}  // namespace q17::ui
