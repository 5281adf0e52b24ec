#pragma once
// The images of the window's flat buttons, drawn by the program.

#include <QIcon>
#include <QImage>

class TButtonImages
{
public:
    static QImage OpenFolder();   // 16 x 16, the target button
    static QImage TextPage();     // 16 x 16, the detail button
    static QImage AlignLeft();    // 6 x 9: a triangle pointing left against a bar
    static QImage AlignCenter();  // 6 x 9: two bars
    static QImage AlignRight();   // 6 x 9: a bar with a triangle pointing right
    static QIcon Icon(const QImage &image);
};
