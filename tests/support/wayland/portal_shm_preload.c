// Preloaded into xdg-desktop-portal-wlr by scripts/wayland-session.sh. The
// portal (0.7) refuses to start a screen cast unless the compositor's screen
// copy names a DMA-BUF format, which a compositor drawing with pixman (no
// GPU, as in CI) never does, although shared memory would serve. This names
// one on every frame the compositor offers in shared memory only; without
// a GPU device of its own the portal then negotiates shared memory alone.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdbool.h>
#include <string.h>
#include <wayland-client-core.h>

typedef struct wl_proxy frame_t;

struct frame_listener
{
    void (*buffer)(void*, frame_t*, uint32_t format, uint32_t width, uint32_t height, uint32_t stride);
    void (*flags)(void*, frame_t*, uint32_t);
    void (*ready)(void*, frame_t*, uint32_t, uint32_t, uint32_t);
    void (*failed)(void*, frame_t*);
    void (*damage)(void*, frame_t*, uint32_t, uint32_t, uint32_t, uint32_t);
    void (*linux_dmabuf)(void*, frame_t*, uint32_t format, uint32_t width, uint32_t height);
    void (*buffer_done)(void*, frame_t*);
};

enum { kXrgb8888 = 0x34325258 };  // DRM_FORMAT_XRGB8888

static const struct frame_listener* real;
static uint32_t offered_width, offered_height;
static bool offered_dmabuf;

static void on_buffer(void* data, frame_t* frame, uint32_t format, uint32_t width, uint32_t height, uint32_t stride)
{
    offered_width = width;
    offered_height = height;
    offered_dmabuf = false;
    real->buffer(data, frame, format, width, height, stride);
}

static void on_flags(void* data, frame_t* frame, uint32_t flags) { real->flags(data, frame, flags); }

static void on_ready(void* data, frame_t* frame, uint32_t hi, uint32_t lo, uint32_t nsec)
{
    real->ready(data, frame, hi, lo, nsec);
}

static void on_failed(void* data, frame_t* frame) { real->failed(data, frame); }

static void on_damage(void* data, frame_t* frame, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    real->damage(data, frame, x, y, w, h);
}

static void on_linux_dmabuf(void* data, frame_t* frame, uint32_t format, uint32_t width, uint32_t height)
{
    offered_dmabuf = true;
    real->linux_dmabuf(data, frame, format, width, height);
}

static void on_buffer_done(void* data, frame_t* frame)
{
    if (!offered_dmabuf)
        real->linux_dmabuf(data, frame, kXrgb8888, offered_width, offered_height);
    real->buffer_done(data, frame);
}

static const struct frame_listener wrapped = {on_buffer, on_flags,        on_ready,      on_failed,
                                              on_damage, on_linux_dmabuf, on_buffer_done};

int wl_proxy_add_listener(struct wl_proxy* proxy, void (**implementation)(void), void* data)
{
    static int (*next)(struct wl_proxy*, void (**)(void), void*);
    if (!next) {
        void* found = dlsym(RTLD_NEXT, "wl_proxy_add_listener");
        memcpy(&next, &found, sizeof next);
    }
    if (strcmp(wl_proxy_get_class(proxy), "zwlr_screencopy_frame_v1") == 0) {
        real = (const struct frame_listener*)implementation;
        return next(proxy, (void (**)(void))&wrapped, data);
    }
    return next(proxy, implementation, data);
}
