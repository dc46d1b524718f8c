// The framed panel of the profile dialogs and the tip boxes: 42-pixel corner
// pieces of "frame", edge pieces every 4 pixels between them, and the
// "transparent" picture stretched over the inside. A frame of c columns and
// r rows is 4c + 84 pixels wide and 4r + 84 high.
#pragma once

#include <memory>
#include <vector>

#include "scene/sprite.h"

class PicturePack;

class DialogFrame {
public:
    static constexpr int kCorner = 42;  // corner piece size
    static constexpr int kStep = 4;     // edge pieces overlap every 4 pixels
    static constexpr int kPieceLayer = 99999;
    static constexpr int kCentreLayer = 500;

    // Pieces 0..8 of the pack: 0 top-left, 1 top edge, 2 top-right, 3 left
    // edge, 5 right edge, 6 bottom-left, 7 bottom edge, 8 bottom-right.
    DialogFrame(int x, int y, int columns, int rows);

    void moveTo(int x, int y);
    void setLayers(int pieceLayer, int centreLayer);
    void setAlpha(int alpha);
    // Shows piece `corner` (0, 2, 6 or 8) from another pack ("framecorners").
    void setCornerPicture(int corner, PicturePack* pack);

    int width() const { return 2 * kCorner + kStep * columns_; }
    int height() const { return 2 * kCorner + kStep * rows_; }
    int x() const { return x_; }
    int y() const { return y_; }
    int pieceCount() const { return static_cast<int>(pieces_.size()); }

    PckSprite centre;

private:
    struct Piece {
        std::unique_ptr<PckSprite> sprite;
        int dx, dy;
    };
    void add(int piece, int dx, int dy);

    std::vector<Piece> pieces_;
    int columns_, rows_;
    int x_ = 0, y_ = 0;
};
