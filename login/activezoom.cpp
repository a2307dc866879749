#include "login/activezoom.h"
#include "login/misc.h"

namespace quillon {

void ActiveZoomImpl::ZoomFrom(QWidget* ZoomForm, QWidget* FromHWnd, eZoomOptions Options, int* FromX, int* FromY,
                              int* ToX, int* ToY)
{
    int fx = FromX ? *FromX : 0, fy = FromY ? *FromY : 0;
    int tx = ToX ? *ToX : 0, ty = ToY ? *ToY : 0;
    try {
        pZoomFromObj(ZoomForm, Options, FromHWnd, fx, fy, tx, ty);
    } catch (...) {
    }
    if (FromX) *FromX = fx;
    if (FromY) *FromY = fy;
    if (ToX) *ToX = tx;
    if (ToY) *ToY = ty;
}

void ActiveZoomImpl::ZoomTo(QWidget* ZoomHWnd, eZoomOptions Options, QWidget* ToHWnd, int* ToX, int* ToY)
{
    try {
        pZoomToObj(ZoomHWnd, Options, ToHWnd, ToX ? *ToX : 0, ToY ? *ToY : 0);
    } catch (...) {
    }
}

void ActiveZoomImpl::RemoveMenus(QWidget* hWnd, eSystemMenus eRemoveMenus)
{
    try {
        pRemoveMenus(hWnd, eRemoveMenus);
    } catch (...) {
    }
}

} // namespace quillon
