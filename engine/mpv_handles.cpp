#include "engine/mpv_handles.h"

#include <mpv/client.h>
#include <mpv/render.h>

namespace vcd::mpv {

void EndCore::operator()(mpv_handle* mpv) const { mpv_terminate_destroy(mpv); }

void FreeRenderContext::operator()(mpv_render_context* render) const { mpv_render_context_free(render); }

}  // namespace vcd::mpv
