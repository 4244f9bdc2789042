#pragma once

#include <QPoint>
#include <QWidget>
#include <optional>

namespace kit {

// The title strip of a window that draws its own frame: the caption in
// neutral greys, darker while the window is active, never shortened;
// dragging it moves the window.
class TitleStrip : public QWidget {
public:
    explicit TitleStrip(QWidget* window);

    int stripHeight() const;
    // The width that shows the whole caption.
    int neededWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static constexpr int padding = 4;
    // Where the pointer holds the window while the strip moves it itself.
    std::optional<QPoint> grab_;
};

}  // namespace kit
