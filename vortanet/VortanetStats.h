// Diagnostics of the stand-in network library for hosts' test and benchmark
// programs: per live play, what arrived and how late it was drawn. Exported
// by name only (the module does not use it).
#pragma once

#include <stdint.h>

typedef struct VN_PLAY_STATS {
    uint32_t cbSize;          /* in: sizeof(VN_PLAY_STATS) */
    uint32_t framesReceived;  /* video frames that arrived for the play */
    uint32_t framesDrawn;     /* of those, drawn into the play's window */
    uint32_t framesDropped;   /* gaps in the device's frame numbers */
    uint32_t audioPackets;    /* audio packets received while sound was open */
    uint32_t latencyP50Us;    /* device timestamp to drawn, microseconds */
    uint32_t latencyP95Us;
    uint32_t latencyMaxUs;
    uint32_t width, height;   /* size of the last picture */
    uint32_t lastFrameNo;     /* device frame number of the last picture */
    /* The delay in two stages (a caller whose cbSize ends at lastFrameNo
       gets the fields above only): */
    uint32_t wireP50Us;       /* the device's send stamp to the library's receipt */
    uint32_t wireP95Us;
    uint32_t drawP50Us;       /* the library's receipt to drawn */
    uint32_t drawP95Us;
} VN_PLAY_STATS;

/* sizeof(VN_PLAY_STATS) before the stage fields. */
#define VN_PLAY_STATS_SIZE_V1 44u

#ifdef __cplusplus
extern "C"
#endif
    /* 1 and *out filled (up to its cbSize) for a live play; 0 for an unknown
       handle or a cbSize other than sizeof(VN_PLAY_STATS) or VN_PLAY_STATS_SIZE_V1. */
    int __cdecl NetGetPlayStats(int32_t lPlayHandle, VN_PLAY_STATS* out);
