#include "app/dialogs.h"

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ovalon {

namespace {

/// Message boxes carry the program's name as their title.
const QString MessageTitle = QStringLiteral("Ovalon");

/// A small modal window: the label, a bar with "done из total", and the cancel button.
class StandardProgressDialog : public ProgressDialog {
 public:
  StandardProgressDialog(QWidget* parent, const QString& label, const QString& cancelText,
                         int total)
      : m_dialog(new QDialog(parent)) {
    m_dialog->setObjectName(QStringLiteral("ProgressDialog"));
    m_dialog->setWindowTitle(MessageTitle);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumWidth(360);
    m_bar = new QProgressBar(m_dialog);
    m_bar->setRange(0, total);
    m_bar->setValue(0);
    m_bar->setFormat(QStringLiteral("%v из %m"));
    auto* cancel = new QPushButton(cancelText, m_dialog);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(m_dialog);
    layout->addWidget(new QLabel(label, m_dialog));
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    // The button, Escape and the title bar's close button all reject the dialog.
    QObject::connect(cancel, &QPushButton::clicked, m_dialog, &QDialog::reject);
    QObject::connect(m_dialog, &QDialog::rejected, m_dialog, [this] { m_canceled = true; });
  }
  ~StandardProgressDialog() override { delete m_dialog; }

  void show() override { m_dialog->show(); }
  void setValue(int done) override { m_bar->setValue(done); }
  bool canceled() const override { return m_canceled; }

 private:
  QDialog* m_dialog;
  QProgressBar* m_bar;
  bool m_canceled = false;
};

/// Icons and type names from the file's name and kind alone. Qt's own provider asks the MIME
/// database, which reads the start of every file it cannot place by name, on the thread of the
/// dialog: a FIFO or a file of /proc, /sys or /dev can block that read for good.
class NameOnlyIconProvider : public QFileIconProvider {
 public:
  using QFileIconProvider::icon;

  QIcon icon(const QFileInfo& info) const override {
    if (info.isRoot()) return icon(Drive);
    return icon(info.isDir() ? Folder : File);
  }

  /// Qt's own names for folders, drives and special files (which it does not read), the MIME
  /// type's description by the name's extension for regular files.
  QString type(const QFileInfo& info) const override {
    if (!info.isFile()) return QFileIconProvider::type(info);
    return m_mimeTypes.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension).comment();
  }

 private:
  QMimeDatabase m_mimeTypes;
};

/// Qt's own file dialog, on every desktop, with one filter entry shown without its pattern.
/// It never reads a file: icons and types come from names, no folder's custom icon is looked
/// up, and links are listed as they are.
class FileDialog : public QFileDialog {
 public:
  FileDialog(QWidget* parent, const QString& filter, const QString& start,
             QFileDialog::AcceptMode mode)
      : QFileDialog(parent, QString(), start, filter) {
    setAcceptMode(mode);
    setFileMode(mode == AcceptSave ? AnyFile : ExistingFile);
    setOptions(DontUseNativeDialog | HideNameFilterDetails | DontUseCustomDirectoryIcons |
               DontResolveSymlinks);
    setIconProvider(&m_icons);
  }

  /// The first chosen path after the dialog was accepted, empty when it was cancelled.
  QString Run() {
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return QString();
    return selectedFiles().constFirst();
  }

 private:
  NameOnlyIconProvider m_icons;
};

}  // namespace

QString StandardDialogs::openFileName(QWidget* parent, const QString& filter,
                                      const QString& start) {
  FileDialog dialog(parent, filter, start, QFileDialog::AcceptOpen);
  return dialog.Run();
}

QString StandardDialogs::saveFileName(QWidget* parent, const QString& filter,
                                      const QString& proposed) {
  FileDialog dialog(parent, filter, proposed, QFileDialog::AcceptSave);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return dialog.Run();
}

ImageSaveChoice StandardDialogs::saveImageFileName(QWidget* parent, const QString& filter,
                                                   const ImageSaveChoice& proposed) {
  FileDialog dialog(parent, filter, QString(), QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  if (!proposed.path.isEmpty()) dialog.selectFile(proposed.path);

  auto* options = new QWidget(&dialog);
  auto* single = new QRadioButton(QStringLiteral("1×"), options);
  auto* twice = new QRadioButton(QStringLiteral("2×"), options);
  auto* transparent = new QCheckBox(QStringLiteral("Прозрачный фон"), options);
  single->setObjectName(QStringLiteral("SingleSize"));
  twice->setObjectName(QStringLiteral("DoubleSize"));
  transparent->setObjectName(QStringLiteral("TransparentBackground"));
  (proposed.scale == 2 ? twice : single)->setChecked(true);
  transparent->setChecked(proposed.transparentBackground);
  auto* row = new QHBoxLayout(options);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(new QLabel(QStringLiteral("Размер:"), options));
  row->addWidget(single);
  row->addWidget(twice);
  row->addSpacing(24);
  row->addWidget(transparent);
  row->addStretch();
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
    grid->addWidget(options, grid->rowCount(), 0, 1, grid->columnCount());

  ImageSaveChoice choice;
  choice.path = dialog.Run();
  if (choice.path.isEmpty()) return {};
  choice.scale = twice->isChecked() ? 2 : 1;
  choice.transparentBackground = transparent->isChecked();
  return choice;
}

std::unique_ptr<ProgressDialog> StandardDialogs::progressDialog(QWidget* parent,
                                                                const QString& label,
                                                                const QString& cancelText,
                                                                int total) {
  return std::make_unique<StandardProgressDialog>(parent, label, cancelText, total);
}

void StandardDialogs::information(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, MessageTitle, text);
}

void StandardDialogs::detailedInformation(QWidget* parent, const QString& text,
                                          const QString& informative, const QString& details) {
  QMessageBox box(QMessageBox::Information, MessageTitle, text, QMessageBox::Ok, parent);
  box.setInformativeText(informative);
  box.setDetailedText(details);
  box.exec();
}

void StandardDialogs::warning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, MessageTitle, text);
}

void StandardDialogs::critical(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, MessageTitle, text);
}

}  // namespace ovalon
