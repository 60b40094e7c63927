// Tablet input exports.
#include "api/guard.h"
#include "platform/tablet.h"

using oka::api::guarded;
namespace tab = oka::platform;

extern "C" {

OKA_API int32_t OKA_CALL OKA_InitTablet(void* hostWindow) {
    return guarded("InitTablet Excpt", 0, [&] { return tab::tablet_init(hostWindow); });
}
OKA_API int32_t OKA_CALL OKA_SetTabletOrigin(void) {
    return guarded("SetTabletOrigin Excpt", 0, [&] { return tab::tablet_set_origin(); });
}
OKA_API int32_t OKA_CALL OKA_CloseTablet(void) {
    return guarded("CloseTablet Excpt", 0, [&] { return tab::tablet_close(); });
}
OKA_API int32_t OKA_CALL OKA_ResetTabletPressure(void) {
    return guarded("ResetTabletPressure Excpt", 0, [&] { return tab::tablet_reset_pressure(); });
}
OKA_API int32_t OKA_CALL OKA_ReadTabletPackets(void) {
    return guarded("ReadTabletPackets Excpt", 0, [&] { return tab::tablet_read_packets(); });
}
OKA_API int32_t OKA_CALL OKA_ReadTabletPressure(uint32_t index) {
    return guarded("ReadTabletPressure Excpt", 0,
                   [&] { return static_cast<int32_t>(tab::tablet_pressure(index)); });
}
OKA_API int32_t OKA_CALL OKA_ReadRawTabletPressure(uint32_t index) {
    return guarded("ReadRawTabletPressure Excpt", 0,
                   [&] { return static_cast<int32_t>(tab::tablet_raw_pressure(index)); });
}
OKA_API int32_t OKA_CALL OKA_IsPacketInvert(uint32_t index) {
    return guarded("IsPacketInvert Excpt", 0, [&] { return tab::tablet_is_invert(index); });
}
OKA_API uint32_t OKA_CALL OKA_PacketStatus(uint32_t index) {
    return guarded("PacketStatus Excpt", uint32_t{0}, [&] { return tab::tablet_status(index); });
}
OKA_API int32_t OKA_CALL OKA_ReadTabletX(uint32_t index) {
    return guarded("ReadTabletX Excpt", 0, [&] { return tab::tablet_x(index); });
}
OKA_API int32_t OKA_CALL OKA_ReadTabletY(uint32_t index) {
    return guarded("ReadTabletY Excpt", 0, [&] { return tab::tablet_y(index); });
}

}  // extern "C"
