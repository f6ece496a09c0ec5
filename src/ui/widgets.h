// The widget set of the windows, in one include.
#pragma once

#include "ui/artwork.h"
#include "ui/gauge.h"
#include "ui/glyph.h"
#include "ui/lednumber.h"
#include "ui/limitslider.h"
#include "ui/picturebutton.h"
#include "ui/shape.h"
#include "ui/speedbutton.h"
#include "ui/stopwatchdisplay.h"
#include "ui/twostateswitch.h"
