#pragma once

#include <QWidget>

namespace kit {

// The title strip of a window that draws its own frame: the caption in the
// title-bar colours of the active or inactive window, never shortened;
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

private:
    static constexpr int padding = 4;
};

}  // namespace kit
