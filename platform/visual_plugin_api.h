/* The visual plug-in interface between the music player (the host) and its visual plug-ins.
 *
 * Plain C so that it crosses the boundary between the player executable and a dlopen'ed
 * bundle unchanged. Every record here is laid out by hand; the offsets the plug-in relies on
 * are checked at compile time at the end of this file.
 *
 * Threads: the host makes every call into a plug-in (the entry and the handler) on its main
 * thread. A plug-in may call the host callback only on the host's main thread. The port's
 * lockPixels/unlockPixels/postRepaint may be called from any thread; postRepaint never waits.
 * Each host service says which thread may call it (see VxHostServices).
 */
#ifndef VOXTRAIL_VISUAL_PLUGIN_API_H
#define VOXTRAIL_VISUAL_PLUGIN_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t OSStatus;
typedef uint32_t OSType;
typedef uint32_t OptionBits;
typedef unsigned char Str63[64];
typedef unsigned char Str255[256];

#define VX_FOURCC(a, b, c, d)                                                                                \
    ((OSType)(((uint32_t)(unsigned char)(a) << 24) | ((uint32_t)(unsigned char)(b) << 16) |                  \
              ((uint32_t)(unsigned char)(c) << 8) | (uint32_t)(unsigned char)(d)))

enum {
    noErr = 0,
    unimpErr = -4,  /* message not handled */
    paramErr = -50, /* bad parameter; also "no such component" from the script runner */
    memFullErr = -108
};

/* Host-version-independent basics, in the byte layout the host uses (2-byte packing). */
#pragma pack(push, 2)

typedef struct Rect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
} Rect;

typedef struct Point {
    int16_t v;
    int16_t h;
} Point;

typedef struct NumVersion {
    uint8_t majorRev;       /* 2 for 2.9 */
    uint8_t minorAndBugRev; /* minor in the high nibble, fix revision in the low one */
    uint8_t stage;          /* 0x80 final */
    uint8_t nonRelRev;
} NumVersion;

/* A file reference: volume, parent folder and a Pascal name; 70 bytes. */
typedef struct FSSpec {
    int16_t vRefNum;
    int32_t parID;
    Str63 name;
} FSSpec;

/* A classic event record as the event message carries it. */
typedef struct EventRecord {
    uint16_t what;    /* 1 mouse down, 3 key down, 5 auto key, ... */
    uint32_t message; /* for key events: the character in the low byte */
    uint32_t when;
    Point where; /* global (window) coordinates */
    uint16_t modifiers;
} EventRecord;

enum { mouseDown = 1, mouseUp = 2, keyDown = 3, keyUp = 4, autoKey = 5 };

/* Version-1 track record: 2,116 bytes. Strings are Pascal strings (length byte first). */
typedef struct ITTrackInfoV1 {
    uint32_t recordLength;
    uint32_t trackNumber;
    uint32_t numTracks;
    uint32_t year;
    int16_t soundVolumeAdjustment;
    uint8_t reserved1[246];
    Str255 name;   /* byte 264 */
    Str255 artist; /* byte 520 */
    Str255 album;  /* byte 776 */
    Str255 genre;
    Str255 kind;
    uint32_t totalTimeInMS;
    uint32_t startTimeInMS;
    uint32_t stopTimeInMS;
    uint32_t sizeInBytes;
    uint32_t bitRate;
    uint32_t sampleRate;
    uint8_t reserved2[548];
} ITTrackInfoV1;

/* Version-1 stream record: 772 bytes. */
typedef struct ITStreamInfoV1 {
    Str255 streamTitle;
    Str255 streamURL;
    Str255 streamMessage;
    uint32_t reserved;
} ITStreamInfoV1;

#pragma pack(pop)

/* The host's graphics port for the visualizer: the window's 32-bit pixels (0xAARRGGBB, rows
 * top to bottom). The pane is a rectangle inside it. The host owns the pixels and may
 * reallocate them on a resize while holding the pixel lock, so a plug-in copies into them
 * only between lockPixels and unlockPixels. */
typedef struct VxHostPort {
    uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t rowBytes;
    void* hostContext;
    void (*lockPixels)(void* hostContext);
    void (*unlockPixels)(void* hostContext);
    /* Ask the host to show the new pixels; returns at once, never waits for the host thread. */
    void (*postRepaint)(void* hostContext);
} VxHostPort;

typedef VxHostPort* CGrafPtr;
typedef VxHostPort* GrafPtr;

/* ---- Messages to the plug-in's entry -------------------------------------------------- */

enum {
    kPluginInitMessage = VX_FOURCC('i', 'n', 'i', 't'),
    kPluginCleanupMessage = VX_FOURCC('c', 'l', 'r', ' ')
};

struct PlayerMessageInfo;
typedef OSStatus (*ITAppProcPtr)(void* appCookie, OSType message, struct PlayerMessageInfo* messageInfo);

struct VxHostServices;

/* Hosts sending this minor version or a later one end the init record with initMessageSize and
 * the fields after it; older hosts end it at refCon, so a plug-in reads nothing past refCon
 * before it has checked the minor version. */
enum { kPluginInitSizedMinorVersion = 6 };

typedef struct PluginInitMessage {
    uint32_t majorVersion;
    uint32_t minorVersion;
    NumVersion appVersion; /* the host's own version */
    void* appCookie;
    ITAppProcPtr appProc;
    OptionBits options;
    void* refCon; /* out: the plug-in's reference for later entry calls */

    /* From minor version kPluginInitSizedMinorVersion on. New fields are appended after the
     * last one; a plug-in reads a field only when initMessageSize covers it
     * (VX_INIT_MESSAGE_HAS). */
    uint32_t initMessageSize; /* sizeof(PluginInitMessage) as the host built it */
    /* The host's services, valid until the entry's cleanup returns; null when it offers none. */
    const struct VxHostServices* hostServices;
} PluginInitMessage;

/* True when the host's init record holds field. */
#define VX_INIT_MESSAGE_HAS(init, field)                                                                     \
    ((init)->minorVersion >= kPluginInitSizedMinorVersion &&                                                 \
     (init)->initMessageSize >= offsetof(PluginInitMessage, field) + sizeof((init)->field))

typedef struct PluginMessageInfo {
    union {
        PluginInitMessage initMessage;
    } u;
} PluginMessageInfo;

/* The one symbol a plug-in bundle exports. Called on the host's main thread. */
typedef OSStatus (*PluginMainProcPtr)(OSType message, PluginMessageInfo* messageInfo, void* refCon);
#define VX_PLUGIN_ENTRY_NAME "iTunesPluginMainMachO"

/* ---- Messages to the visual plug-in's handler ----------------------------------------- */

enum {
    kVisualPluginInitMessage = VX_FOURCC('i', 'n', 'i', 't'),
    kVisualPluginCleanupMessage = VX_FOURCC('c', 'l', 'r', ' '),
    kVisualPluginConfigureMessage = VX_FOURCC('c', 'n', 'f', 'g'),
    kVisualPluginEnableMessage = VX_FOURCC('v', 'o', 'n', ' '),
    kVisualPluginDisableMessage = VX_FOURCC('v', 'o', 'f', 'f'),
    kVisualPluginIdleMessage = VX_FOURCC('n', 'u', 'l', 'l'),
    kVisualPluginShowWindowMessage = VX_FOURCC('s', 'h', 'o', 'w'),
    kVisualPluginHideWindowMessage = VX_FOURCC('h', 'i', 'd', 'e'),
    kVisualPluginSetWindowMessage = VX_FOURCC('s', 'w', 'i', 'n'),
    kVisualPluginRenderMessage = VX_FOURCC('v', 'r', 'n', 'd'),
    kVisualPluginUpdateMessage = VX_FOURCC('v', 'u', 'p', 'd'),
    kVisualPluginPlayMessage = VX_FOURCC('v', 'p', 'l', 'y'),
    kVisualPluginChangeTrackMessage = VX_FOURCC('c', 't', 'r', 'k'),
    kVisualPluginStopMessage = VX_FOURCC('v', 's', 't', 'p'),
    kVisualPluginSetPositionMessage = VX_FOURCC('s', 'e', 't', 'p'),
    kVisualPluginPauseMessage = VX_FOURCC('v', 'p', 'a', 'u'),
    kVisualPluginUnpauseMessage = VX_FOURCC('v', 'u', 'n', 'p'),
    kVisualPluginEventMessage = VX_FOURCC('v', 'e', 'v', 't')
};

typedef struct VisualPluginInitMessage {
    uint32_t messageMajorVersion;
    uint32_t messageMinorVersion;
    NumVersion appVersion;
    void* appCookie;
    ITAppProcPtr appProc;
    OptionBits options;
    void* refCon; /* out: handed back with every later handler call */
} VisualPluginInitMessage;

/* "show" and "swin": the port and the pane's rectangle in the port's coordinates. */
typedef struct VisualPluginShowWindowMessage {
    CGrafPtr port;
    Rect drawRect;
    OptionBits options;
} VisualPluginShowWindowMessage;

typedef VisualPluginShowWindowMessage VisualPluginSetWindowMessage;

typedef struct VisualPluginPlayMessage {
    ITTrackInfoV1* trackInfo;   /* may be null */
    ITStreamInfoV1* streamInfo; /* may be null */
    int32_t volume;
    uint32_t bitRate;
    uint32_t sampleRate;
} VisualPluginPlayMessage;

typedef struct VisualPluginChangeTrackMessage {
    ITTrackInfoV1* trackInfo;
    ITStreamInfoV1* streamInfo;
} VisualPluginChangeTrackMessage;

typedef struct VisualPluginRenderMessage {
    const void* renderData; /* waveform and spectrum data; not read by the plug-in */
    uint32_t timeStampID;
} VisualPluginRenderMessage;

typedef struct VisualPluginEventMessage {
    EventRecord* event;
} VisualPluginEventMessage;

typedef struct VisualPluginSetPositionMessage {
    uint32_t positionTimeInMS;
} VisualPluginSetPositionMessage;

typedef struct VisualPluginMessageInfo {
    union {
        VisualPluginInitMessage initMessage;
        VisualPluginShowWindowMessage showWindowMessage;
        VisualPluginSetWindowMessage setWindowMessage;
        VisualPluginPlayMessage playMessage;
        VisualPluginChangeTrackMessage changeTrackMessage;
        VisualPluginRenderMessage renderMessage;
        VisualPluginEventMessage eventMessage;
        VisualPluginSetPositionMessage setPositionMessage;
    } u;
} VisualPluginMessageInfo;

/* The handler a visual plug-in registers. Called on the host's main thread. */
typedef OSStatus (*VisualPluginProcPtr)(OSType message, VisualPluginMessageInfo* messageInfo, void* refCon);

/* ---- Calls from the plug-in to the host (through appProc) ----------------------------- */

enum {
    kPlayerRegisterVisualPluginMessage = VX_FOURCC('r', 'v', 'i', 's'),
    kPlayerGetPluginITFileSpecMessage = VX_FOURCC('i', 't', 'f', 's')
};

enum { kPluginMessageMajorVersion = 10, kPluginMessageMinorVersion = 6 };

enum { kVisualWantsIdleMessages = 8, kVisualWantsConfigure = 32 };

typedef struct PlayerRegisterVisualPluginMessage {
    Str63 name; /* Pascal string */
    OptionBits options;
    OSType creator;
    NumVersion pluginVersion;
    VisualPluginProcPtr handler;
    void* registerRefCon;
    uint32_t timeBetweenDataInMS;
    uint32_t numWaveformChannels;
    uint32_t numSpectrumChannels;
    int16_t minWidth;
    int16_t minHeight;
    int16_t maxWidth;
    int16_t maxHeight;
    uint16_t minFullScreenBitDepth;
    uint16_t maxFullScreenBitDepth;
    uint16_t windowAlignmentInBytes;
} PlayerRegisterVisualPluginMessage;

typedef struct PlayerGetPluginITFileSpecMessage {
    FSSpec* fileSpec;
} PlayerGetPluginITFileSpecMessage;

/* The information block of every host call; the caller zeroes it, sets the versions and
 * messageInfoSize to sizeof(PlayerMessageInfo), and fills the member of its message. */
typedef struct PlayerMessageInfo {
    uint32_t messageMajorVersion;
    uint32_t messageMinorVersion;
    uint32_t messageInfoSize;
    union {
        PlayerRegisterVisualPluginMessage registerVisualPluginMessage;
        PlayerGetPluginITFileSpecMessage getPluginITFileSpecMessage;
    } u;
} PlayerMessageInfo;

/* ---- Window services the host application offers its plug-ins ------------------------- */

/* Mouse events as the host window delivers them. Locations are in the window's port
 * coordinates (the "global" coordinates of the host's window). */
enum {
    kEventMouseDown = 1,
    kEventMouseUp = 2,
    kEventMouseMoved = 5,
    kEventMouseDragged = 6,
    kEventMouseWheelMoved = 10
};
enum { kEventMouseButtonPrimary = 1, kEventMouseButtonSecondary = 2 };
enum { cmdKey = 0x0100, shiftKey = 0x0200, optionKey = 0x0800, controlKey = 0x1000 };

typedef struct VxMouseEvent {
    uint32_t kind;
    Point location;
    uint16_t button;
    uint32_t modifiers;
    int32_t wheelDelta;
} VxMouseEvent;

typedef OSStatus (*VxMouseHandlerProc)(const VxMouseEvent* event, void* userData);

/* ---- Services the host offers its plug-ins ------------------------------------------ */

/* The host hands its table to the plug-in in the entry's init record (hostServices); there is
 * no other way to find it. The table and its context stay valid until the entry's cleanup.
 * The host passes context back as the first argument of every call.
 *
 * Threads: a service marked "host thread" may be called only on the host's main thread (the
 * one that sends the plug-in its messages); the host refuses a call from elsewhere with the
 * service's "none" answer. One marked "any thread" may be called from any thread.
 *
 * Growing the table. A service is added by
 *   1. appending its member after the last one (never inserting, reordering or retyping one),
 *      with its thread and the version that added it;
 *   2. raising kVxHostServicesVersion;
 *   3. the host setting size to sizeof its table and the member to null when it lacks it.
 * A plug-in built against an older header never looks past the members it knows, so the tail
 * is ignored. A plug-in built against a newer header calls an appended member only when the
 * host's size covers it and it is set (VX_HOST_SERVICES_HAS), and otherwise does without.
 * Changing what an existing member means is not growth: it raises
 * kVxHostServicesMinimumVersion, and plug-ins refuse older tables.
 * Expected next: loading a bundle, desktop notifications.
 *
 * History of the table:
 *   1  found by the plug-in with dlsym (VX_HOST_SERVICES_SYMBOL, since removed), no size and no
 *      context: activeNonFloatingWindow, installMouseHandler, removeMouseHandler; later, with the
 *      version left at 1, showAlert, chooseFile, openURL, postToHostThread, systemVersion.
 *   2  handed over in the init record (hostServices); size and context lead the table and every
 *      call takes the context first. The members of version 1 in the same order.
 *   3  chooseFileIn: the file dialog opening at a given folder.
 *   4  windows from interface files, their controls, and timers on the host's event loop
 *      (createWindowFromInterfaceFile through removeTimer).
 *   5  copyToClipboard.
 *   6  reportIdle: the plug-in says when it has finished the work it was asked for.
 * Oldest accepted: version 2 with at least VX_HOST_SERVICES_MINIMUM_SIZE bytes
 * (vx::acceptHostServices in platform/host_services.cpp); an older or shorter table is refused
 * with one line on standard error and the plug-in runs without host services. */
enum {
    kVxHostServicesVersion = 6,       /* the table this header declares */
    kVxHostServicesMinimumVersion = 2 /* 2: size and context first; version 1 had neither */
};

/* Windows built from interface files (Qt Designer files in a bundle's Resources), their
 * controls, and timers on the host's event loop. A window is made hidden; every control the
 * file names carries a signature and an id, by which the plug-in finds it. Handles stay valid
 * until disposed; a disposed or unknown handle is ignored by every call. */
typedef struct VxWindow VxWindow;
typedef struct VxControl VxControl;
typedef struct VxTimer VxTimer;

enum {
    /* The mouse on the window itself (not taken by a control); location in window coordinates. */
    kVxWindowEventMouseDown = 1,
    kVxWindowEventMouseMoved = 5,
    /* The user clicked a button, check box or radio button. */
    kVxControlEventClicked = 100,
    /* The user changed a control's value (a tab, a list's selected row, a pop-up, a slider). */
    kVxControlEventValueChanged = 101,
    /* A key was released in a text box (its text already holds the key's effect). */
    kVxControlEventKeyReleased = 102,
    /* The user closed the window with its close box; the window is hidden, not disposed. */
    kVxWindowEventClosed = 200
};

typedef struct VxWindowEvent {
    uint32_t kind;
    VxControl* control; /* the control of a control event, else null */
    OSType signature;   /* the control's pair, else 0 and 0 */
    int32_t id;
    Point location;       /* mouse events: window coordinates */
    Point globalLocation; /* mouse events: screen coordinates */
    uint16_t button;      /* kEventMouseButtonPrimary or kEventMouseButtonSecondary */
    uint32_t modifiers;
    uint32_t character; /* key release: the key's character (Unicode), 0 for none */
} VxWindowEvent;

/* Called on the host thread. The answer (noErr, or -9874 when not handled) is advisory: the
 * event always goes on to the window's own handling. The handler may dispose the window. */
typedef OSStatus (*VxWindowEventProc)(VxWindow* window, const VxWindowEvent* event, void* userData);
/* Called on the host thread; it may remove its own timer. */
typedef void (*VxTimerProc)(VxTimer* timer, void* userData);

typedef struct VxHostServices {
    uint32_t size;    /* sizeof(VxHostServices) as the host built it */
    uint32_t version; /* the host's kVxHostServicesVersion */
    void* context;    /* the first argument of every call */

    /* Version 2. Every table of that version holds at least the members up to
     * removeMouseHandler (VX_HOST_SERVICES_MINIMUM_SIZE); a plug-in checks the rest. */

    /* Host thread. The window whose event target takes mouse handlers; null when there is none. */
    void* (*activeNonFloatingWindow)(void* context);
    /* Host thread. Returns a handler reference for removeMouseHandler, or null. The host calls
     * proc on its main thread. */
    void* (*installMouseHandler)(void* context, void* window, VxMouseHandlerProc proc, void* userData);
    /* Host thread. */
    void (*removeMouseHandler)(void* context, void* handlerRef);
    /* Host thread. A standard alert with a default and an optional cancel button (null or "" for
     * none). Returns kVxAlertDefaultButton or kVxAlertCancelButton; 0 when no alert could be
     * shown. Runs modally and returns when the user has answered. */
    int32_t (*showAlert)(void* context, const char* title, const char* message, const char* defaultButton,
                         const char* cancelButton);
    /* Host thread. A file-open dialog. On 0 outPath holds the chosen file's full path,
     * terminated; -1 when cancelled or when the path does not fit in capacity bytes (nothing
     * is cut). */
    int32_t (*chooseFile)(void* context, const char* title, char* outPath, uint32_t capacity);
    /* Host thread. Opens the URL in the user's browser (the URL is passed as one argument, never
     * through a shell). noErr when handed on, paramErr for a null or empty URL or a failed
     * start. */
    OSStatus (*openURL)(void* context, const char* url);
    /* Any thread. Runs fn(ctx) on the host thread later; never waits. Every call posted runs
     * exactly once, at the latest before the plug-in bundle is unloaded. */
    void (*postToHostThread)(void* context, void (*fn)(void* ctx), void* ctx);
    /* Any thread. The system version the host reports (10 and 6 for 10.6); either pointer may
     * be null. */
    void (*systemVersion)(void* context, int32_t* major, int32_t* minor);

    /* Version 3. Host thread. As chooseFile, the dialog first showing folder (null or "" for the
     * host's own choice). */
    int32_t (*chooseFileIn)(void* context, const char* title, const char* folder, char* outPath,
                            uint32_t capacity);

    /* Version 4, all host thread. Texts handed in are the plug-in's bytes: UTF-8 where well
     * formed, any other byte a Mac OS Roman character. Texts handed out are UTF-8. */

    /* The window of interface file name (resourceFolder/name.ui), hidden, with proc receiving
     * its events; null when the file is missing or not an interface file. */
    VxWindow* (*createWindowFromInterfaceFile)(void* context, const char* resourceFolder, const char* name,
                                               VxWindowEventProc proc, void* userData);
    /* Hides and releases the window with its controls. */
    void (*disposeWindow)(void* context, VxWindow* window);
    /* Showing also brings the window to the front. */
    void (*showWindow)(void* context, VxWindow* window, int32_t visible);
    /* Screen coordinates of the window's top left corner. */
    void (*moveWindow)(void* context, VxWindow* window, int32_t left, int32_t top);
    void (*sizeWindow)(void* context, VxWindow* window, int32_t width, int32_t height);
    /* The window's content in screen coordinates; all zero for an unknown window. */
    void (*windowBounds)(void* context, VxWindow* window, Rect* bounds);
    /* 0 transparent to 1 opaque. */
    void (*setWindowAlpha)(void* context, VxWindow* window, float alpha);
    /* The main display in screen coordinates. */
    void (*mainDisplayBounds)(void* context, Rect* bounds);
    /* The window's control of that pair, or null. */
    VxControl* (*findControl)(void* context, VxWindow* window, OSType signature, int32_t id);
    /* Copies the control's text (cut to capacity - 1 bytes, never inside a character,
     * terminated); returns the length of the whole text in bytes. */
    uint32_t (*controlText)(void* context, VxControl* control, char* out, uint32_t capacity);
    void (*setControlText)(void* context, VxControl* control, const char* text);
    /* Check boxes and radio buttons 1 or 0; tabs the selected tab counted from 1; lists the
     * selected row from 0, -1 for none; pop-ups the item from 0; sliders and numbers their value.
     * Setting a value sends no event. */
    int32_t (*controlValue)(void* context, VxControl* control);
    void (*setControlValue)(void* context, VxControl* control, int32_t value);
    void (*enableControl)(void* context, VxControl* control, int32_t enabled);
    void (*showControl)(void* context, VxControl* control, int32_t visible);
    /* An image view shows the image file at path; paramErr when it cannot be read. */
    OSStatus (*setControlImage)(void* context, VxControl* control, const char* path);
    /* A list's rows, replacing the ones it had; columns within a row are separated by tabs. */
    void (*setControlRows)(void* context, VxControl* control, const char* const* rows, int32_t count);
    /* A timer calling proc first after firstDelay seconds, then every interval seconds (0: once). */
    VxTimer* (*installTimer)(void* context, double firstDelay, double interval, VxTimerProc proc,
                             void* userData);
    void (*removeTimer)(void* context, VxTimer* timer);

    /* Version 5. Host thread. Puts the text (UTF-8) on the clipboard for the user to paste. */
    void (*copyToClipboard)(void* context, const char* text);

    /* Version 6. Any thread. idle 0 when the plug-in starts work it was asked for (a user
     * action's saves, exports or requests; a refresh), 1 once none is left; each call flips the
     * last, and a plug-in that never calls is idle. Called with a lock of the plug-in held: the
     * host records it and returns, never calling the plug-in. */
    void (*reportIdle)(void* context, int32_t idle);

    /* New services are appended here. */
} VxHostServices;

/* The smallest table a plug-in accepts: the header and the mouse-handler services. */
#define VX_HOST_SERVICES_MINIMUM_SIZE                                                                        \
    ((uint32_t)(offsetof(VxHostServices, removeMouseHandler) +                                               \
                sizeof(((VxHostServices*)0)->removeMouseHandler)))

/* True when the host's table holds member and has set it; a member past the host's size is
 * absent and never read. */
#define VX_HOST_SERVICES_HAS(table, member)                                                                  \
    ((table) && (table)->size >= offsetof(VxHostServices, member) + sizeof((table)->member) &&               \
     (table)->member != NULL)

enum { kVxAlertDefaultButton = 1, kVxAlertCancelButton = 2 };

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(Rect) == 8);
static_assert(sizeof(NumVersion) == 4);
static_assert(sizeof(FSSpec) == 70);
static_assert(sizeof(ITTrackInfoV1) == 2116);
static_assert(offsetof(ITTrackInfoV1, artist) == 520);
static_assert(offsetof(ITTrackInfoV1, album) == 776);
static_assert(sizeof(ITStreamInfoV1) == 772);
// Fields of a version-1 init record stay where they were; the sized tail follows refCon.
static_assert(offsetof(PluginInitMessage, initMessageSize) ==
              offsetof(PluginInitMessage, refCon) + sizeof(void*));
static_assert(offsetof(VxHostServices, context) == 8);
static_assert(VX_HOST_SERVICES_MINIMUM_SIZE == offsetof(VxHostServices, showAlert));
#endif

#endif /* VOXTRAIL_VISUAL_PLUGIN_API_H */
