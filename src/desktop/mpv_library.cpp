// libmpv, loaded when the first film plays instead of with the program.
//
// libmpv brings some 170 libraries along (the codecs, the audio outputs,
// their own dependencies): linked, they are loaded, relocated and partly
// written before main() runs, which costs every start about a tenth of a
// second and the process some 35 MB while nothing plays. The program does
// not link it; these definitions stand in for the libmpv functions the
// player uses and forward to the library, which the first call loads.
// Without the library the player's calls fail as libmpv's own do when it
// cannot start (mpv_create gives null), and nothing plays.

#include "desktop/player_log.h"

#include <dlfcn.h>
#include <mpv/client.h>
#include <mpv/render_gl.h>

namespace {

void* library() {
    static void* const handle = [] {
        void* loaded = ::dlopen(KELVARA_LIBMPV, RTLD_NOW | RTLD_LOCAL);
        if (!loaded)
            qCWarning(kelvara::lc_player) << "cannot load" << KELVARA_LIBMPV << ::dlerror();
        return loaded;
    }();
    return handle;
}

template <typename Function> Function* resolve(const char* name) {
    void* const handle = library();
    return handle ? reinterpret_cast<Function*>(::dlsym(handle, name)) : nullptr;
}

} // namespace

// Each forwarder resolves its function once; `fallback` is what the call
// gives when the library is missing.
#define KELVARA_FORWARD(result, name, parameters, arguments, fallback)                             \
    extern "C" result name parameters {                                                            \
        static auto* const function = resolve<decltype(name)>(#name);                              \
        if (!function)                                                                             \
            return fallback;                                                                       \
        return function arguments;                                                                 \
    }

KELVARA_FORWARD(mpv_handle*, mpv_create, (void), (), nullptr)
KELVARA_FORWARD(int, mpv_initialize, (mpv_handle * ctx), (ctx), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(void, mpv_terminate_destroy, (mpv_handle * ctx), (ctx), void())
KELVARA_FORWARD(int, mpv_set_option_string, (mpv_handle * ctx, const char* name, const char* data),
                (ctx, name, data), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(int, mpv_observe_property,
                (mpv_handle * ctx, uint64_t reply_userdata, const char* name, mpv_format format),
                (ctx, reply_userdata, name, format), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(int, mpv_request_log_messages, (mpv_handle * ctx, const char* min_level),
                (ctx, min_level), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(void, mpv_set_wakeup_callback, (mpv_handle * ctx, void (*cb)(void* d), void* d),
                (ctx, cb, d), void())
KELVARA_FORWARD(mpv_event*, mpv_wait_event, (mpv_handle * ctx, double timeout), (ctx, timeout),
                nullptr)
KELVARA_FORWARD(const char*, mpv_error_string, (int error), (error), "libmpv is missing")
KELVARA_FORWARD(int, mpv_command_async,
                (mpv_handle * ctx, uint64_t reply_userdata, const char** args),
                (ctx, reply_userdata, args), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(int, mpv_set_property_async,
                (mpv_handle * ctx, uint64_t reply_userdata, const char* name, mpv_format format,
                 void* data),
                (ctx, reply_userdata, name, format, data), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(int, mpv_render_context_create,
                (mpv_render_context * *res, mpv_handle* mpv, mpv_render_param* params),
                (res, mpv, params), MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(void, mpv_render_context_set_update_callback,
                (mpv_render_context * ctx, mpv_render_update_fn callback, void* callback_ctx),
                (ctx, callback, callback_ctx), void())
KELVARA_FORWARD(uint64_t, mpv_render_context_update, (mpv_render_context * ctx), (ctx), 0)
KELVARA_FORWARD(int, mpv_render_context_render,
                (mpv_render_context * ctx, mpv_render_param* params), (ctx, params),
                MPV_ERROR_UNINITIALIZED)
KELVARA_FORWARD(void, mpv_render_context_free, (mpv_render_context * ctx), (ctx), void())
