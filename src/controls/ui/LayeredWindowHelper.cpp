#include "controls/ui/LayeredWindowHelper.h"

#include <QWidget>

#include <algorithm>

void CLayeredWindowHelperST::AddLayeredStyle(QWidget* window) const
{
    if (window)
        window->setWindowOpacity(1.0);
}

void CLayeredWindowHelperST::RemoveLayeredStyle(QWidget* window) const
{
    if (window)
        window->setWindowOpacity(1.0);
}

bool CLayeredWindowHelperST::SetLayeredWindowAttributes(QWidget* window, unsigned colorKey, int alpha, int flags) const
{
    (void)colorKey;
    if (!window)
        return false;
    if (flags & kAlpha)
        window->setWindowOpacity(std::clamp(alpha, 0, 255) / 255.0);
    return true;
}
