#include "platform/ui/qt/qt_frontend.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "platform/os/clock.h"
#include "platform/os/paths.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/options.h"
#include "platform/ui/qt/file_filter.h"
#include "platform/ui/qt/labels.h"
#include "platform/ui/userint.h"

namespace helx::ui::qt {

namespace {
// The front-end the model's observer reaches; cleared first when it goes.
std::atomic<QtFrontend*> live{nullptr};
}  // namespace

QtFrontend::QtFrontend(int& argc, char** argv) {
  if (!QApplication::instance()) ownApp_ = std::make_unique<QApplication>(argc, argv);
  applyPanelStyle();
  dispatcher_ = QAbstractEventDispatcher::instance();
  timeout_ = std::make_unique<QTimer>();
  timeout_->setSingleShot(true);
  QObject::connect(timeout_.get(), &QTimer::timeout, [this] { timedOut_ = true; });
  drainer_ = std::make_unique<QObject>();
  view_ = std::make_unique<View>();
  live = this;
  Model::instance().setDirtyObserver([] {
    if (QtFrontend* f = live.load()) f->dirtied();
  });
  dirtied();
}

QtFrontend::~QtFrontend() {
  live = nullptr;
  // Installed for the life of the process, this runs at exit, when Qt's own globals may already
  // be gone: nothing of Qt is destroyed here.
  (void)drainer_.release();
  (void)view_.release();
  (void)timeout_.release();
  (void)ownApp_.release();
}

void QtFrontend::dirtied() {
  if (!drainQueued_.exchange(true))
    QMetaObject::invokeMethod(
        drainer_.get(),
        [this] {
          drainQueued_ = false;
          view_->drain();
        },
        Qt::QueuedConnection);
  wake();
}

void QtFrontend::wake() {
  woken_ = true;
  if (dispatcher_) dispatcher_->wakeUp();
}

void QtFrontend::waitForWork(std::chrono::milliseconds maxWait) {
  if (woken_.exchange(false) || maxWait.count() <= 0) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return;
  }
  timedOut_ = false;
  timeout_->start(static_cast<int>(maxWait.count()));
  while (!woken_.load() && !timedOut_)
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  timeout_->stop();
  woken_ = false;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtFrontend::drainDirty() { view_->drain(); }

std::string QtFrontend::snapshotPanel(int panel, const std::string& path) {
  PanelWindow* window = view_->window(panel);
  if (!window || !window->isVisible()) return "the panel is not shown";
  QCoreApplication::processEvents();  // lets the drained values lay out and paint
  const QString file = QString::fromStdString(path);
  QDir().mkpath(QFileInfo(file).absolutePath());
  if (!window->grab().save(file, "PNG")) return "cannot write " + path;
  return {};
}

namespace {
// An operator script drives the program: it reads popups from the record and answers file
// dialogs itself, and a modal box would hold the UI thread until someone clicked it.
bool scripted() { return !RuntimeOptions().script.empty(); }
}  // namespace

void QtFrontend::showMessage(const std::string& title, const std::string& text, bool information) {
  auto* box = new QMessageBox(information ? QMessageBox::Information : QMessageBox::NoIcon,
                              runtimeText(title), runtimeText(text), QMessageBox::Ok);
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  if (scripted()) {
    box->show();
    return;
  }
  box->exec();
}

int QtFrontend::selectFile(const FileRequest& request, std::string& path) {
  if (scripted()) return Operator::takeFileAnswer(request, path);
  QString directory = QString::fromStdString(request.defaultDirectory);
  if (!request.defaultDirectory.empty())
    if (auto mapped = os::MapPath(request.defaultDirectory))
      directory = QString::fromStdString(*mapped);
  QFileDialog dialog(nullptr, QString::fromStdString(request.title), directory);
  const bool save = request.buttonLabel == VAL_SAVE_BUTTON;
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setLabelText(QFileDialog::Accept, save ? "Save" : "Load");
  const QStringList filters =
      fileFilters(request.fileTypeList.empty() ? request.defaultFileSpec : request.fileTypeList);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(initialFilter(filters, request.defaultFileSpec));
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  path = chosen ? dialog.selectedFiles().first().toStdString() : std::string();
  Operator::recordPopup({"file", request.title, path, false, os::Clock::instance().seconds()});
  if (!chosen) return VAL_NO_FILE_SELECTED;
  return QFileInfo::exists(QString::fromStdString(path)) ? VAL_EXISTING_FILE_SELECTED
                                                         : VAL_NEW_FILE_SELECTED;
}

}  // namespace helx::ui::qt
