// The reference for the cold start: the smallest Qt program that shows a disc track through
// libmpv's render API, with libmpv's default settings (no user configuration). The track is read
// through the same disc layer as the player's. Its window is a picture of the size of the
// player's video area.
//   plain_mpv_window DISC.cue cdrom://D/MPEGAV/AVSEQ01.DAT
#include "platform/linux_drives.h"
#include "platform/log.h"

#include <QApplication>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <clocale>
#include <memory>
#include <mpv/client.h>
#include <mpv/render_gl.h>
#include <mpv/stream_cb.h>

namespace {

vcd::platform::TrackStream& streamOf(void* c) { return *static_cast<vcd::platform::TrackStream*>(c); }

int openTrack(void* drives, char* uri, mpv_stream_cb_info* info) {
  std::unique_ptr<vcd::platform::TrackStream> s;
  try {
    s = static_cast<vcd::platform::DriveManager*>(drives)->openFile(QString::fromUtf8(uri));
  } catch (const std::exception& e) {
    qCDebug(lcEngine, "%s cannot be opened: %s", uri, e.what());
  }
  if (!s) return MPV_ERROR_LOADING_FAILED;
  info->cookie = s.release();
  info->read_fn = [](void* c, char* buf, uint64_t n) -> int64_t { return streamOf(c).read(buf, n); };
  info->seek_fn = [](void* c, int64_t pos) -> int64_t {
    const int64_t at = streamOf(c).seek(pos);
    return at < 0 ? int64_t(MPV_ERROR_GENERIC) : at;
  };
  info->size_fn = [](void* c) -> int64_t { return streamOf(c).size(); };
  info->close_fn = [](void* c) { delete &streamOf(c); };
  info->cancel_fn = [](void* c) { streamOf(c).cancel(); };
  return 0;
}

class Picture : public QOpenGLWidget {
 public:
  Picture(mpv_handle* mpv, QByteArray url) : mpv_(mpv), url_(std::move(url)) {}

 protected:
  void initializeGL() override {
    mpv_opengl_init_params gl{[](void*, const char* name) -> void* {
                                QOpenGLContext* ctx = QOpenGLContext::currentContext();
                                return ctx ? reinterpret_cast<void*>(ctx->getProcAddress(name)) : nullptr;
                              },
                              nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (mpv_render_context_create(&render_, mpv_, params) < 0) qFatal("no render context");
    mpv_render_context_set_update_callback(
        render_, [](void* self) { QMetaObject::invokeMethod(static_cast<Picture*>(self), "update", Qt::QueuedConnection); },
        this);
    const char* cmd[] = {"loadfile", url_.constData(), nullptr};
    mpv_command(mpv_, cmd);
  }
  void paintGL() override {
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), int(width() * devicePixelRatioF()),
                       int(height() * devicePixelRatioF()), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo}, {MPV_RENDER_PARAM_FLIP_Y, &flipY}, {MPV_RENDER_PARAM_INVALID, nullptr}};
    mpv_render_context_render(render_, params);
  }

 private:
  mpv_handle* mpv_;
  QByteArray url_;
  mpv_render_context* render_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  if (argc < 3) return 2;
  vcd::platform::LinuxDriveManager drives([] { return std::vector<vcd::platform::OpticalDevice>{}; });
  if (!drives.insertImage(QString::fromLocal8Bit(argv[1]))) return 2;
  mpv_handle* mpv = mpv_create();
  mpv_set_option_string(mpv, "config", "no");
  mpv_set_option_string(mpv, "vo", "libmpv");
  if (mpv_initialize(mpv) < 0) return 2;
  mpv_stream_cb_add_ro(mpv, "cdrom", &drives, openTrack);
  // Events are drained on the GUI thread and dropped: the picture is all this program shows.
  mpv_set_wakeup_callback(mpv, [](void* m) {
    QMetaObject::invokeMethod(qApp, [m] {
      while (mpv_wait_event(static_cast<mpv_handle*>(m), 0)->event_id != MPV_EVENT_NONE) {
      }
    }, Qt::QueuedConnection);
  }, mpv);
  Picture picture(mpv, QByteArray(argv[2]));
  picture.setWindowTitle(QStringLiteral("plain libmpv"));
  picture.resize(485, 305);
  picture.show();
  return QApplication::exec();
}
