// The ids of the properties dialogs' controls, one namespace per dialog. A value table
// names the control that shows each value; the dialog lays the same ids out.
#pragma once

namespace CommonIds {
enum : int {
    Preview = 1046,
    DefaultProperties = 1052,
};
}

namespace StarFieldIds {
enum : int {
    Density = 1000,
    Brightness = 1001,
    LargeStars = 1004,
    LargeStarsSpin = 1005,
    BrightnessSpin = 1008,
    DensitySpin = 1009,
    RotationSpin = 1013,
    RotationLabel = 1016,
    Color = 1017,
    Rotation = 1018,
};
}

namespace NebulaIds {
enum : int {
    Dropoff = 1002,
    IntensitySpin = 1011,
    DropoffSpin = 1012,
    RotationSpin = 1013,
    Intensity = 1014,
    Rotation = 1018,
    InnerColor = 1019,
    OuterColor = 1021,
    ColorFrequency = 1029,
    ColorFrequencySpin = 1030,
};
}

namespace StarIds {
enum : int {
    Dropoff = 1002,
    Radius = 1003,
    DropoffSpin = 1012,
    RadiusSpin = 1013,
    CoreColor = 1019,
    CoronaColor = 1021,
    TransparentCore = 1051,
};
}

namespace GasIds {
enum : int {
    IntensitySpin = 1011,
    FrequencySpin = 1012,
    Color = 1017,
    Intensity = 1018,
    Frequency = 1019,
    AddNoise = 1028,
};
}

namespace VortexIds {
enum : int {
    Dropoff = 1002,
    IntensitySpin = 1011,
    DropoffSpin = 1012,
    RotationSpin = 1013,
    Intensity = 1014,
    SwirlFrequencySpin = 1015,
    Rotation = 1018,
    InnerColor = 1019,
    SwirlFrequency = 1020,
    OuterColor = 1021,
    ColorFrequency = 1029,
    ColorFrequencySpin = 1030,
    InnerRadius = 1031,
    InnerRadiusSpin = 1032,
};
}

namespace LensFlareIds {
enum : int {
    Dropoff = 1002,
    Streaks = 1003,
    StreakIntensity = 1004,
    FlareIntensity = 1005,
    DropoffSpin = 1012,
    StreaksSpin = 1013,
    StreakIntensitySpin = 1014,
    FlareIntensitySpin = 1015,
    Secondary = 1037,
    RingOn = 1038,
    Red = 1040,
    Green = 1041,
    Blue = 1042,
};
}

namespace GalaxyIds {
enum : int {
    Density = 1000,
    GasScale = 1003,
    DensitySpin = 1009,
    GasScaleSpin = 1013,
    GasColor = 1017,
    CoreColor = 1019,
    StarsColor = 1021,
    Type = 1065,
    Texture = 1066,
    Browse = 1067,
    Twist = 1068,
    Core = 1069,
    Stars = 1070,
};
}

namespace VenusIds {
enum : int {
    Coriolis = 1001,
    Fractal = 1002,
    FractalSpin = 1012,
    CloudColor = 1019,
    SurfaceColor = 1021,
};
}

namespace MoonIds {
enum : int {
    Fractal = 1002,
    Maria = 1003,
    FractalSpin = 1012,
    MariaSpin = 1013,
    MariaColor = 1019,
    HighlandColor = 1021,
    BumpMap = 1022,
};
}

namespace EarthIds {
enum : int {
    Fractal = 1002,
    SeaLevel = 1004,
    IceCaps = 1005,
    Climate = 1006,
    Clouds = 1007,
    Coverage = 1008,
    CloudFractal = 1009,
    FractalSpin = 1012,
    SeaLevelSpin = 1014,
    IceCapsSpin = 1015,
    ClimateSpin = 1016,
    CoverageSpin = 1018,
    CloudFractalSpin = 1020,
};
}
