#include "engine/VideoDetails.h"

VideoDetails readVideoDetails(QByteArrayView)
{
    return {};
}
