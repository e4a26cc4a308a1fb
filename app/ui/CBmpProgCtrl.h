#pragma once

#include <QPixmap>
#include <QWidget>

namespace zarta::ui {

// A progress bar drawn with two pictures (463 x 24 pixels at their own size): the background
// stretched over the whole control, and, while the bar is filled, the left part of the fill
// picture stretched over the left part of the control in proportion to position / total. Both are
// drawn at the control's size and its screen's device pixel ratio, so they stay sharp on a 2x
// screen.
//
// The owner sets position, total and the filled flag (each setter schedules a repaint and reports
// the new value to assistive technology). User-interface thread only; a worker reaches it through
// calls queued onto that thread.
class CBmpProgCtrl : public QWidget {
    Q_OBJECT
public:
    // How much of the fill picture is drawn, and how wide, for one paint.
    struct Fill {
        int sourceWidth = 0; // leftmost pixels of the fill picture
        int targetWidth = 0; // leftmost pixels of the control they are stretched over
    };

    explicit CBmpProgCtrl(QWidget* parent = nullptr);

    int position() const { return position_; }
    int total() const { return total_; }
    bool isFilled() const { return filled_; }
    void setPosition(int position);
    void setTotal(int total);
    void setFilled(bool filled);
    void setProgress(int position, int total, bool filled);

    // The fill for position / total on a control controlWidth pixels wide, both widths truncated
    // toward zero. The ratio is kept within 0..1, so a total of zero or less, or a position
    // beyond the total, never draws outside the control or past the picture.
    static Fill fill(int position, int total, int controlWidth, int pictureWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Repaints and tells assistive technology the new value.
    void changed();

    int position_ = 1;
    int total_ = 1;
    bool filled_ = false;
    QPixmap background_;
    QPixmap fillPicture_;
};

} // namespace zarta::ui
