// Registers with the object system how render's payloads are owned and
// released (once, at object-system start).
#pragma once

namespace scene {

void RegisterRenderPayloads();

}  // namespace scene
