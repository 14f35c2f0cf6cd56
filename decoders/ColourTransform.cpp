#include "decoders/ColourTransform.h"

#include <lcms2.h>

#include <cmath>
#include <cstring>

namespace
{

// The profiles lcms makes or opens here, closed when they go out of scope.
struct ProfileHandle
{
    cmsHPROFILE Value = nullptr;
    explicit ProfileHandle(cmsHPROFILE value) : Value(value) {}
    ~ProfileHandle()
    {
        if (Value)
            cmsCloseProfile(Value);
    }
    ProfileHandle(const ProfileHandle&) = delete;
    ProfileHandle& operator=(const ProfileHandle&) = delete;
};

cmsUInt32Number FormatOf(ColourInput input)
{
    switch (input)
    {
    case ColourInput::Bgra: return TYPE_BGRA_8;
    case ColourInput::Rgba: return TYPE_RGBA_8;
    case ColourInput::Rgb: return TYPE_RGB_8;
    // Blue read as the grey value, green, red and alpha skipped.
    case ColourInput::GreyInBgra: return COLORSPACE_SH(PT_GRAY) | CHANNELS_SH(1) | BYTES_SH(1) | EXTRA_SH(3);
    case ColourInput::Cmyk: return TYPE_CMYK_8;
    case ColourInput::CmykInverted: return TYPE_CMYK_8_REV;
    case ColourInput::Lab8: return TYPE_Lab_8;
    case ColourInput::Lab16: return TYPE_Lab_16;
    }
    return TYPE_BGRA_8;
}

cmsColorSpaceSignature SpaceOf(ColourInput input)
{
    switch (input)
    {
    case ColourInput::GreyInBgra: return cmsSigGrayData;
    case ColourInput::Cmyk:
    case ColourInput::CmykInverted: return cmsSigCmykData;
    case ColourInput::Lab8:
    case ColourInput::Lab16: return cmsSigLabData;
    default: return cmsSigRgbData;
    }
}

bool HasAlpha(ColourInput input)
{
    return input == ColourInput::Bgra || input == ColourInput::Rgba || input == ColourInput::GreyInBgra;
}

// sRGB's own profiles go by that name ("sRGB IEC61966-2.1", "sRGB built-in"): converting through
// one changes nothing but the time it takes.
bool IsNamedSrgb(cmsHPROFILE profile)
{
    char name[64] = {};
    const auto* description = static_cast<const cmsMLU*>(cmsReadTag(profile, cmsSigProfileDescriptionTag));
    if (!description || cmsMLUgetASCII(description, "en", "US", name, sizeof name) == 0)
        return false;
    return std::strncmp(name, "sRGB", 4) == 0;
}

// An RGB profile of white point, primaries and one tone curve for all three channels.
cmsHPROFILE MakeRgbProfile(const double white[2], const double primaries[3][2], cmsToneCurve* curve)
{
    if (!curve)
        return nullptr;
    const cmsCIExyY whitePoint = {white[0], white[1], 1.0};
    const cmsCIExyYTRIPLE colorants = {{primaries[0][0], primaries[0][1], 1.0},
                                       {primaries[1][0], primaries[1][1], 1.0},
                                       {primaries[2][0], primaries[2][1], 1.0}};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&whitePoint, &colorants, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

// The sRGB transfer curve, as lcms's parametric type 4 gives it.
cmsToneCurve* SrgbCurve()
{
    const cmsFloat64Number parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    return cmsBuildParametricToneCurve(nullptr, 4, parameters);
}

bool Near(double a, double b)
{
    return std::fabs(a - b) < 0.002;
}

}  // namespace

CColourTransform::~CColourTransform()
{
    if (Transform)
        cmsDeleteTransform(static_cast<cmsHTRANSFORM>(Transform));
}

bool CColourTransform::Make(void* source, ColourInput input)
{
    ProfileHandle from(static_cast<cmsHPROFILE>(source));
    ProfileHandle to(cmsCreate_sRGBProfile());
    if (!from.Value || !to.Value)
        return false;
    Input = input;
    // Alpha is left where it is (the rows are converted in place) or set afterwards. The table lcms
    // would build for L*a*b* strays by tens of levels at the edge of sRGB: those few pictures are
    // converted colour by colour.
    const bool lab = input == ColourInput::Lab8 || input == ColourInput::Lab16;
    Transform = cmsCreateTransform(from.Value, FormatOf(input), to.Value, TYPE_BGRA_8, INTENT_PERCEPTUAL,
                                   lab ? cmsFLAGS_NOOPTIMIZE : 0);
    return Transform != nullptr;
}

bool CColourTransform::FromIcc(const void* data, std::size_t size, ColourInput input, std::string& problem)
{
    problem.clear();
    if (!data || size == 0 || size > 0xFFFFFFFFu)
        return false;
    cmsHPROFILE profile = cmsOpenProfileFromMem(data, static_cast<cmsUInt32Number>(size));
    if (!profile)
    {
        problem = "its colour profile is damaged and was left out";
        return false;
    }
    if (cmsGetColorSpace(profile) != SpaceOf(input))
    {
        cmsCloseProfile(profile);
        problem = "its colour profile is for other colours than its pixels and was left out";
        return false;
    }
    if (IsNamedSrgb(profile))
    {
        cmsCloseProfile(profile);
        return false;
    }
    if (!Make(profile, input))
    {
        problem = "its colour profile cannot be used and was left out";
        return false;
    }
    return true;
}

bool CColourTransform::FromChromaticities(const double white[2], const double primaries[3][2], double gamma,
                                          ColourInput input)
{
    static const double SrgbWhite[2] = {0.3127, 0.3290};
    static const double SrgbPrimaries[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
    if (!(gamma > 0.0 && gamma < 10.0) || SpaceOf(input) != cmsSigRgbData)
        return false;
    bool srgb = Near(gamma, 1 / 2.2) && Near(white[0], SrgbWhite[0]) && Near(white[1], SrgbWhite[1]);
    for (int n = 0; n < 3; ++n)
        srgb = srgb && Near(primaries[n][0], SrgbPrimaries[n][0]) && Near(primaries[n][1], SrgbPrimaries[n][1]);
    if (srgb)
        return false;
    return Make(MakeRgbProfile(white, primaries, cmsBuildGamma(nullptr, 1.0 / gamma)), input);
}

bool CColourTransform::FromCodePoints(int primariesCode, int transfer, ColourInput input)
{
    struct Primaries
    {
        int Code;
        double White[2];
        double Colorants[3][2];
    };
    static const Primaries Known[] = {
        {4, {0.310, 0.316}, {{0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}}},           // BT.470 M
        {5, {0.3127, 0.3290}, {{0.64, 0.33}, {0.29, 0.60}, {0.15, 0.06}}},         // BT.470 B, G
        {6, {0.3127, 0.3290}, {{0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}}},   // BT.601
        {7, {0.3127, 0.3290}, {{0.630, 0.340}, {0.310, 0.595}, {0.155, 0.070}}},   // SMPTE 240M
        {9, {0.3127, 0.3290}, {{0.708, 0.292}, {0.170, 0.797}, {0.131, 0.046}}},   // BT.2020
        {11, {0.314, 0.351}, {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}},    // DCI-P3
        {12, {0.3127, 0.3290}, {{0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060}}},  // Display P3
        {22, {0.3127, 0.3290}, {{0.630, 0.340}, {0.295, 0.605}, {0.155, 0.077}}},  // EBU 3213
    };
    static const double Bt709White[2] = {0.3127, 0.3290};
    static const double Bt709[3][2] = {{0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06}};
    if (SpaceOf(input) != cmsSigRgbData)
        return false;
    const double* white = Bt709White;
    const double(*colorants)[2] = Bt709;
    for (const Primaries& known : Known)
        if (known.Code == primariesCode)
            white = known.White, colorants = known.Colorants;
    const bool bt709 = colorants == Bt709;
    if (!bt709 && primariesCode != 1 && primariesCode != 2)
    {
        bool found = false;
        for (const Primaries& known : Known)
            found = found || known.Code == primariesCode;
        if (!found)
            return false;
    }
    // Video's transfer codes (BT.709, BT.601, BT.2020) are shown as sRGB, as viewers show them;
    // HDR's (PQ, HLG) are not mapped here.
    cmsToneCurve* curve = nullptr;
    switch (transfer)
    {
    case 1:
    case 2:
    case 6:
    case 13:
    case 14:
    case 15:
        if (bt709)
            return false;
        curve = SrgbCurve();
        break;
    case 4: curve = cmsBuildGamma(nullptr, 2.2); break;
    case 5: curve = cmsBuildGamma(nullptr, 2.8); break;
    case 8: curve = cmsBuildGamma(nullptr, 1.0); break;
    default: return false;
    }
    return Make(MakeRgbProfile(white, colorants, curve), input);
}

bool CColourTransform::FromLab(ColourInput input)
{
    if (SpaceOf(input) != cmsSigLabData)
        return false;
    return Make(cmsCreateLab4Profile(nullptr), input);
}

void CColourTransform::Apply(const void* in, std::uint8_t* out, std::uint32_t count) const
{
    if (!Transform)
        return;
    // lcms writes the three colours and leaves the fourth byte alone.
    cmsDoTransform(static_cast<cmsHTRANSFORM>(Transform), in, out, count);
    const bool alpha = HasAlpha(Input);
    if (alpha && in == out)
        return;
    const auto* from = static_cast<const std::uint8_t*>(in);
    for (std::uint32_t x = 0; x < count; ++x)
        out[4 * x + 3] = alpha ? from[4 * x + 3] : 255;
}
