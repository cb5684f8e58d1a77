#pragma once

#include <QGuiApplication>
#include <memory>
#include <optional>

namespace meldrix {

//! The tool's own application on the offscreen platform, for as long as a page or a picture is
//! painted without a display. Headless runs often have no XDG_RUNTIME_DIR; Qt's note that it took
//! a folder of its own is kept off standard error, every other message passes on.
class OffscreenApplication {
public:
    OffscreenApplication();
    ~OffscreenApplication();
    OffscreenApplication(const OffscreenApplication&) = delete;
    OffscreenApplication& operator=(const OffscreenApplication&) = delete;

private:
    std::unique_ptr<QGuiApplication> m_application;
};

//! Runs `job` within the running application, or within an offscreen one of its own.
template <typename Job>
auto WithApplication(Job job)
{
    std::optional<OffscreenApplication> application;
    if (!QCoreApplication::instance())
        application.emplace();
    return job();
}

} // namespace meldrix
