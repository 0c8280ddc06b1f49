#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QRect>
#include <QUrl>
#include <optional>

class QWebEngineProfile;
class QWebEngineView;

// One top-level browser window showing one page. Its title says what it
// shows. Placement is the outer rectangle, frame included, in screen pixels.
class BrowserWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit BrowserWindow(QWebEngineProfile* profile);

    void Navigate(const QUrl& url);

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
    QMargins FrameMargins() const;

    QWebEngineView* view_;
    // The parts of the outer rectangle asked for so far; the others keep
    // the window's own values.
    std::optional<int> left_, top_, width_, height_;
    QMargins placedWithMargins_;
    bool exposed_ = false;
};
