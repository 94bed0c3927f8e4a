// The range of the blend, crop and trim sliders, and so of the values the
// project keeps for them: 0..kSliderMax. The forms set their sliders to it,
// the pixel rules scale by it, and the settings file and the command line
// refuse values outside it.
#pragma once

constexpr int kSliderMax = 60000;
