#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QTimer>
#include <QUrl>
#include <optional>

struct LocalPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

// One top-level browser window showing one page. Its title says what it
// shows. Placement is the outer rectangle, frame included, in screen pixels.
class BrowserWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit BrowserWindow(QWebEngineProfile* profile);

    // Shows page, read from the local file at url, as that address; a
    // missing file is said so.
    void Navigate(const QUrl& url, const LocalPage& page);
    // Loads an empty page, so that the engine has a page process ready for
    // the first real address. Its loading is not reported; an address asked
    // for meanwhile is loaded as soon as it is done.
    void WarmUp();

    QRect OuterRect() const { return frameGeometry(); }
    void SetOuterLeft(int left);
    void SetOuterTop(int top);
    void SetOuterWidth(int width);
    void SetOuterHeight(int height);

signals:
    void Exposed();
    void LoadFinished(const QUrl& url, bool ok);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyPlacement();
    void ReapplyPlacementIfFrameChanged();
    void UpdateTitle();
    void EndWarmUp();
    void LoadTarget();
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    QMargins FrameMargins() const;

    QWebEngineView* view_;
    QUrl target_;  // what Navigate was last asked for
    QByteArray content_;
    bool missing_ = false;
    // The parts of the outer rectangle asked for so far; the others keep
    // the window's own values.
    std::optional<int> left_, top_, width_, height_;
    QMargins placedWithMargins_;
    static constexpr int FrameCheckIntervalMs = 50;
    static constexpr int FrameCheckCount = 40;
    QTimer frameCheck_;
    int frameChecks_ = 0;
    bool exposed_ = false;
    bool warmingUp_ = false;
    static constexpr int WarmUpLimitMs = 3000;
};
