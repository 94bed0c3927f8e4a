// Shared set-up for the widget tests: one project (created before the
// application, as in the program), the application, and a few helpers.
#pragma once

#include <QApplication>
#include <QImage>
#include <QObject>
#include <QString>
#include <QWidget>
#include <opencv2/core.hpp>

#include "project/Project.h"

// The application, created on first use after the test project.
QApplication& testApp();

// Puts the project back to a fresh state with n default cameras (order n-1 .. 0).
Project& resetProject(int cameras);

// A BGRA image of one colour.
cv::Mat solidImage(int width, int height, cv::Scalar bgra);

struct Rgb {
    int r, g, b;
};
// The colour the preview wrote at (x, y) of a grabbed framebuffer, as stored
// (no un-premultiplying: the preview's alpha channel is not an opacity).
Rgb framebufferPixel(const QImage& image, int x, int y);

// Stands in for the preview where a test counts repaints: a plain widget paints
// synchronously on repaint(), while the GL preview's composition may merge two
// quick repaints into one frame.
class RepaintProbe : public QWidget {
public:
    RepaintProbe();
    int count = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Closes every message box that opens while it lives, remembering what it said.
class MessageBoxCloser : public QObject {
public:
    MessageBoxCloser();
    int boxes = 0;
    QString title;
    QString text;

protected:
    void timerEvent(QTimerEvent* event) override;
};
