#include "app/navigation.h"

#include "document/document.h"

void step_forward(int64_t by)
{
    // The index never exceeds the last segment of a file under 2^63 bytes, so adding a step
    // cannot overflow before the clamp.
    document.segment_index += by;
    clamp_segment_index();
}

void step_back(int64_t by)
{
    // No clamp here: the rendering that follows clamps the index to the file anyway.
    document.segment_index -= by;
    if (document.segment_index < 0)
        document.segment_index = 0;
}
