#include "screens/dialog_frame.h"

#include "screens/pictures.h"

namespace {
constexpr int kCentreDx = 28, kCentreDy = 30;
constexpr float kCentreSize = 32.0f;  // the "transparent" picture
}  // namespace

DialogFrame::DialogFrame(int x, int y, int columns, int rows) : columns_(columns), rows_(rows) {
    const int far = kCorner + kStep * columns, bottom = kCorner + kStep * rows;
    add(0, 0, 0);
    add(2, far, 0);
    add(6, 0, bottom);
    add(8, far, bottom);
    for (int i = 0; i < rows; ++i) {
        add(3, 0, kCorner + kStep * i);
        add(5, far, kCorner + kStep * i);
    }
    for (int j = 0; j < columns; ++j) {
        add(1, kCorner + kStep * j, 0);
        add(7, kCorner + kStep * j, bottom);
    }
    centre.setPicture(pictureByName("transparent"), 0);
    centre.setScale((static_cast<float>(kStep * columns) + 28.0f) / kCentreSize,
                    (static_cast<float>(kStep * rows) + 24.0f) / kCentreSize);
    setLayers(kPieceLayer, kCentreLayer);
    moveTo(x, y);
}

void DialogFrame::add(int piece, int dx, int dy) {
    auto s = std::make_unique<PckSprite>();
    s->setPicture(pictureByName("frame"), piece);
    pieces_.push_back({std::move(s), dx, dy});
}

void DialogFrame::moveTo(int x, int y) {
    x_ = x;
    y_ = y;
    for (Piece& p : pieces_) p.sprite->setPosition(x + p.dx, y + p.dy);
    centre.setPosition(x + kCentreDx, y + kCentreDy);
}

void DialogFrame::setLayers(int pieceLayer, int centreLayer) {
    for (Piece& p : pieces_) p.sprite->setLayer(pieceLayer);
    centre.setLayer(centreLayer);
}

void DialogFrame::setAlpha(int alpha) {
    for (Piece& p : pieces_) p.sprite->setAlpha(alpha);
    centre.setAlpha(alpha);
}

void DialogFrame::setCornerPicture(int corner, PicturePack* pack) {
    // The corners are the first four pieces, in the order 0, 2, 6, 8.
    const int slot = corner == 0 ? 0 : corner == 2 ? 1 : corner == 6 ? 2 : corner == 8 ? 3 : -1;
    if (slot < 0) return;
    pieces_[static_cast<size_t>(slot)].sprite->setPicture(pack, corner);
}
