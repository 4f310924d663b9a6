#pragma once

#include <QWidget>

class Engine;

// Where the engine draws the picture. OpenGL when the platform offers it;
// otherwise the engine's software renderer into an image (the offscreen
// platform of headless runs, where an OpenGL widget cannot live).
class VideoView {
public:
    virtual ~VideoView() = default;
    virtual QWidget* widget() = 0;
    // Starts drawing the engine's frames; false when the output failed.
    virtual bool attach(Engine* engine) = 0;
    // Stops drawing and frees the engine's render context.
    virtual void detach() = 0;

    static VideoView* create(QWidget* parent);
};
