#include "browser/BrowserWindow.h"

#include <QEvent>
#include <QFileInfo>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

#include "browser/PageRules.h"

BrowserWindow::BrowserWindow(QWebEngineProfile* profile)
    : view_(new QWebEngineView(profile, this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    // Not every change of the frame comes with a move or resize event, so
    // the frame is also looked at for a while after each placement.
    frameCheck_.setInterval(FrameCheckIntervalMs);
    connect(&frameCheck_, &QTimer::timeout, this, [this] {
        if (--frameChecks_ <= 0) frameCheck_.stop();
        ReapplyPlacementIfFrameChanged();
    });
    setCentralWidget(view_);
    resize(800, 600);
    connect(view_, &QWebEngineView::titleChanged, this, &BrowserWindow::UpdateTitle);
    connect(view_, &QWebEngineView::urlChanged, this, &BrowserWindow::UpdateTitle);
    connect(view_->page(), &QWebEnginePage::loadingChanged, this, &BrowserWindow::LoadingChanged);
    UpdateTitle();
}

namespace {
const QUrl WarmUpUrl(QStringLiteral("about:blank"));
}

void BrowserWindow::WarmUp() {
    warmingUp_ = true;
    view_->load(WarmUpUrl);
    // Should the empty page never report, an address asked for meanwhile
    // is loaded all the same.
    QTimer::singleShot(WarmUpLimitMs, this, &BrowserWindow::EndWarmUp);
}

// While the empty page still loads, an address waits for it: given a second
// address meanwhile, the engine may report only the empty page and never the
// address, though it shows it. Loaded after it, the address goes to the page
// process that the empty page started.
void BrowserWindow::Navigate(const QUrl& url, const LocalPage& page) {
    target_ = url;
    content_ = page.content;
    missing_ = page.missing;
    if (!warmingUp_) LoadTarget();
}

void BrowserWindow::EndWarmUp() {
    if (!warmingUp_) return;
    warmingUp_ = false;
    if (!target_.isEmpty()) LoadTarget();
}

// The engine is given the content that was checked, never the path to open
// again: whatever lies there by then is not shown.
void BrowserWindow::LoadTarget() {
    if (missing_) {
        const QString file = target_.toLocalFile().toHtmlEscaped();
        view_->setHtml(tr("<title>%1</title><p>%1 was not found.</p>").arg(file), target_);
        return;
    }
    // The scrap is written one byte a character.
    view_->setContent(content_, QStringLiteral("text/html;charset=ISO-8859-1"), target_);
}

void BrowserWindow::LoadingChanged(const QWebEngineLoadingInfo& info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) return;
    if (warmingUp_ && info.url() == WarmUpUrl) {  // our own, not asked for
        EndWarmUp();
        return;
    }
    // Content is loaded as a data: address standing for the file's.
    const bool ours = info.url().scheme() == QLatin1String("data") || info.url() == target_;
    const bool ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    emit LoadFinished(ours ? target_ : info.url(), ok && !(ours && missing_));
}

void BrowserWindow::SetOuterLeft(int left) {
    left_ = left;
    ApplyPlacement();
}

void BrowserWindow::SetOuterTop(int top) {
    top_ = top;
    ApplyPlacement();
}

void BrowserWindow::SetOuterWidth(int width) {
    width_ = width;
    ApplyPlacement();
}

void BrowserWindow::SetOuterHeight(int height) {
    height_ = height;
    ApplyPlacement();
}

QMargins BrowserWindow::FrameMargins() const {
    return windowHandle() ? windowHandle()->frameMargins() : QMargins();
}

// The window manager adds its frame some time after the window is shown, so
// the client size that gives the asked outer size is only known then; the
// placement is applied again whenever the frame changes.
void BrowserWindow::ApplyPlacement() {
    const QRect outer = frameGeometry();
    const QMargins frame = FrameMargins();
    const QRect wanted(left_.value_or(outer.left()), top_.value_or(outer.top()),
                       width_.value_or(outer.width()), height_.value_or(outer.height()));
    placedWithMargins_ = frame;
    frameChecks_ = FrameCheckCount;
    frameCheck_.start();
    move(wanted.topLeft());  // a top-level's position includes its frame
    resize(std::max(1, wanted.width() - frame.left() - frame.right()),
           std::max(1, wanted.height() - frame.top() - frame.bottom()));
}

void BrowserWindow::ReapplyPlacementIfFrameChanged() {
    const bool placed = left_ || top_ || width_ || height_;
    if (placed && FrameMargins() != placedWithMargins_) ApplyPlacement();
}

// The native window is made, and made again for the engine's surface, as
// the window is first shown; whichever is current tells when it is exposed.
bool BrowserWindow::event(QEvent* event) {
    if ((event->type() == QEvent::WinIdChange || event->type() == QEvent::Show) && windowHandle()) {
        windowHandle()->installEventFilter(this);
    }
    return QMainWindow::event(event);
}

void BrowserWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    ReapplyPlacementIfFrameChanged();
}

void BrowserWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    ReapplyPlacementIfFrameChanged();
}

bool BrowserWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && !exposed_ &&
        windowHandle()->isExposed()) {
        exposed_ = true;
        emit Exposed();
    }
    return QMainWindow::eventFilter(watched, event);
}

void BrowserWindow::UpdateTitle() {
    const QUrl url = view_->url();
    QString shown = view_->title();
    if (shown.isEmpty() || shown == url.toString()) {
        shown = url.isLocalFile() ? QFileInfo(url.toLocalFile()).fileName() : url.toDisplayString();
    }
    if (shown.isEmpty()) shown = tr("blank page");
    setWindowTitle(tr("%1 - Dururive browser").arg(shown));
}
