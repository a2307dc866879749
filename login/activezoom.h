#pragma once
// The zoom and window-menu helpers for any client.
#include "login/include/quillon.h"

namespace quillon {

class ActiveZoomImpl final : public com::Object<ActiveZoom> {
public:
    void ZoomFrom(QWidget* ZoomForm, QWidget* FromHWnd, eZoomOptions Options, int* FromX, int* FromY, int* ToX,
                  int* ToY) override;
    void ZoomTo(QWidget* ZoomHWnd, eZoomOptions Options, QWidget* ToHWnd, int* ToX, int* ToY) override;
    void RemoveMenus(QWidget* hWnd, eSystemMenus eRemoveMenus) override;
};

} // namespace quillon
