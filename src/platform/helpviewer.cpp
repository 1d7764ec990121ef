#include "platform/helpviewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace qel::ui {

namespace {

const QString kTitle = QString::fromUtf8("Qel ヘルプ");

QPointer<QWidget>& viewer() {
  static QPointer<QWidget> w;
  return w;
}

QString readText(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll());
}

// First shown over the middle of its owner, where the player is looking, but
// whole within the owner's screen: a title bar off the screen cannot be
// grabbed. The viewer has no frame until it is shown; the owner's frame
// stands in for it.
void placeOverOwner(QWidget* w, const QWidget* owner) {
  const QMargins frame = owner->windowHandle()->frameMargins();
  const QRect area = owner->screen()->availableGeometry();
  w->resize(w->size().boundedTo(area.size().shrunkBy(frame)));
  QRect r(QPoint(), w->size().grownBy(frame));
  r.moveCenter(owner->frameGeometry().center());
  r.moveLeft(std::max(area.left(), std::min(r.left(), area.left() + area.width() - r.width())));
  r.moveTop(std::max(area.top(), std::min(r.top(), area.top() + area.height() - r.height())));
  w->move(r.topLeft());
}

QWidget* makeViewer(QWidget* owner) {
  // A window of its own, but owned: it is hidden and deleted with the main
  // window and never keeps the program alive after it.
  auto* w = new QWidget(owner, Qt::Window);
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->setWindowTitle(kTitle);
  if (owner) w->setWindowIcon(owner->windowIcon());
  auto* text = new QTextBrowser(w);
  text->setObjectName("helpText");
  text->setOpenExternalLinks(true);
  auto* layout = new QVBoxLayout(w);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(text);
  w->resize(560, 520);
  if (owner && owner->isVisible()) placeOverOwner(w, owner);
  return w;
}

}  // namespace

QString locateHelpFile(const QString& helpFile) {
  const QString beside =
      QDir(QCoreApplication::applicationDirPath()).filePath(QFileInfo(helpFile).fileName());
  if (QFileInfo(beside).isFile()) return beside;
  const QString embedded = ":/assets/" + QFileInfo(helpFile).fileName();
  if (QFile::exists(embedded)) return embedded;
  return {};
}

void showHelpFile(QWidget* owner, const QString& helpFile) {
  QWidget* w = viewer();
  if (w && w->parentWidget() != owner) {
    delete w;
    w = nullptr;
  }
  if (!w) {
    w = makeViewer(owner);
    viewer() = w;
  }

  auto* text = w->findChild<QTextBrowser*>("helpText");
  const QString path = locateHelpFile(helpFile);
  const QString body = path.isEmpty() ? QString() : readText(path);
  if (body.isEmpty()) {
    text->setMarkdown(
        QString::fromUtf8("# Qel ヘルプ\n\nヘルプ ファイル「%1」が見つからないか、読めません。\n")
            .arg(helpFile));
  } else {
    text->setMarkdown(body);
  }
  // Opened at its contents: the top of the file.
  text->moveCursor(QTextCursor::Start);
  text->ensureCursorVisible();

  w->show();
  w->raise();
  w->activateWindow();
}

QWidget* helpViewerWindow() { return viewer(); }

}  // namespace qel::ui
