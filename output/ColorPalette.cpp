#include "output/ColorPalette.h"

#include <algorithm>
#include <cmath>

namespace
{

const std::size_t BoxCount = 262144;
// Rounds of moving each box to its nearest choice: the choices change little after these (the
// colours of four photos differed by 0.01 in CIEDE2000 between 2 rounds and 6).
const int SettlingRounds = 2;
// Lightness counts half as much again as hue and chroma: it carries the picture's shapes.
const double LightnessWeight = 1.5;

// A place in CIELAB (D65), where distances are about as the eye tells colours apart.
struct LabPlace
{
    float Part[3];
};

double LinearLightOf(double channel)
{
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// The light of a channel value from 0 to 255, from a table of each whole value, in between on a
// straight line: a box's mean falls between whole values, and the curve is all but straight there.
double LinearLight(double channel)
{
    static const std::vector<double> table = [] {
        std::vector<double> values(257);
        for (int n = 0; n <= 256; ++n)
            values[std::size_t(n)] = LinearLightOf(std::min(n, 255));
        return values;
    }();
    const double clamped = std::min(std::max(channel, 0.0), 255.0);
    const std::size_t whole = static_cast<std::size_t>(clamped);
    return table[whole] + (table[whole + 1] - table[whole]) * (clamped - double(whole));
}

double LabCurve(double t)
{
    return t > 216.0 / 24389.0 ? std::cbrt(t) : (24389.0 / 27.0 * t + 16.0) / 116.0;
}

LabPlace LabOf(double red, double green, double blue)
{
    const double r = LinearLight(red), g = LinearLight(green), b = LinearLight(blue);
    const double x = LabCurve((0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047);
    const double y = LabCurve(0.2126729 * r + 0.7151522 * g + 0.0721750 * b);
    const double z = LabCurve((0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883);
    return {{float((116.0 * y - 16.0) * LightnessWeight), float(500.0 * (x - y)), float(200.0 * (y - z))}};
}

float DistanceOf(const LabPlace& a, const LabPlace& b)
{
    float sum = 0;
    for (int axis = 0; axis < 3; ++axis)
        sum += (a.Part[axis] - b.Part[axis]) * (a.Part[axis] - b.Part[axis]);
    return sum;
}

// A box that holds counted colours: where its mean lies and how much it weighs.
struct Entry
{
    LabPlace Place;
    float Weight;
    std::uint32_t Box;
};

// Entries Begin to End of the list, cut apart as one: how widely they spread, and along which
// axis most.
struct Group
{
    std::size_t Begin, End;
    double Spread;
    int Axis;
};

void Measure(const std::vector<Entry>& entries, Group& group)
{
    double weight = 0, sum[3] = {}, squares[3] = {};
    for (std::size_t n = group.Begin; n < group.End; ++n)
    {
        const Entry& entry = entries[n];
        weight += entry.Weight;
        for (int axis = 0; axis < 3; ++axis)
        {
            sum[axis] += double(entry.Weight) * entry.Place.Part[axis];
            squares[axis] += double(entry.Weight) * entry.Place.Part[axis] * entry.Place.Part[axis];
        }
    }
    group.Spread = 0;
    group.Axis = 0;
    double widest = -1;
    for (int axis = 0; axis < 3; ++axis)
    {
        const double spread = std::max(0.0, squares[axis] - sum[axis] * sum[axis] / weight);
        group.Spread += spread;
        if (spread > widest)
        {
            widest = spread;
            group.Axis = axis;
        }
    }
}

LabPlace MeanOf(const std::vector<Entry>& entries, std::size_t begin, std::size_t end)
{
    double weight = 0, sum[3] = {};
    for (std::size_t n = begin; n < end; ++n)
    {
        weight += entries[n].Weight;
        for (int axis = 0; axis < 3; ++axis)
            sum[axis] += double(entries[n].Weight) * entries[n].Place.Part[axis];
    }
    return {{float(sum[0] / weight), float(sum[1] / weight), float(sum[2] / weight)}};
}

// Cuts the entries into at most most groups, each time the one that spreads most, at the
// weighted median of its widest axis; returns the mean of each group, and the group of each entry
// (in the entries' new order) in groupOf.
std::vector<LabPlace> CutIntoGroups(std::vector<Entry>& entries, std::size_t most, std::vector<std::size_t>& groupOf)
{
    struct Key
    {
        float Value;
        std::uint32_t At;
    };
    std::vector<Key> keys;
    std::vector<Entry> moved;
    std::vector<Group> groups(1, Group{0, entries.size(), 0, 0});
    Measure(entries, groups[0]);
    while (groups.size() < most)
    {
        std::size_t widest = groups.size();
        for (std::size_t n = 0; n < groups.size(); ++n)
        {
            if (groups[n].End - groups[n].Begin >= 2 && groups[n].Spread > 0 &&
                (widest == groups.size() || groups[n].Spread > groups[widest].Spread))
                widest = n;
        }
        if (widest == groups.size())
            break;
        Group& group = groups[widest];
        const int axis = group.Axis;
        // Sorted as keys beside their places in the group, a quarter of an entry's size, and the
        // entries then put in that order: the same order as sorting the entries themselves.
        keys.resize(group.End - group.Begin);
        for (std::size_t n = group.Begin; n < group.End; ++n)
            keys[n - group.Begin] = {entries[n].Place.Part[axis], static_cast<std::uint32_t>(n)};
        std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.Value < b.Value; });
        moved.resize(keys.size());
        for (std::size_t n = 0; n < keys.size(); ++n)
            moved[n] = entries[keys[n].At];
        std::copy(moved.begin(), moved.end(), entries.begin() + static_cast<std::ptrdiff_t>(group.Begin));
        double total = 0;
        for (std::size_t n = group.Begin; n < group.End; ++n)
            total += entries[n].Weight;
        std::size_t cut = group.Begin + 1;
        for (double below = entries[group.Begin].Weight; cut + 1 < group.End && below < total / 2; ++cut)
            below += entries[cut].Weight;
        Group upper{cut, group.End, 0, 0};
        group.End = cut;
        Measure(entries, group);
        Measure(entries, upper);
        groups.push_back(upper);
    }
    std::vector<LabPlace> means;
    groupOf.assign(entries.size(), 0);
    for (const Group& group : groups)
    {
        for (std::size_t n = group.Begin; n < group.End; ++n)
            groupOf[n] = means.size();
        means.push_back(MeanOf(entries, group.Begin, group.End));
    }
    return means;
}

// The search for the nearest choice. Every choice keeps the others in order of their distance
// from it: a place whose distance from a choice near it is r has nothing nearer than r beyond
// 2r of that choice, so from a good hint (the last one found) a handful are looked at of
// hundreds. The nearest is the one the whole list in order of lightness gives when looked through
// outwards from the hint, upwards first, taking only a strictly nearer one: ties go the same way.
class ChoiceSearch
{
public:
    explicit ChoiceSearch(const std::vector<LabPlace>& choices) : Order(choices.size())
    {
        for (std::size_t n = 0; n < Order.size(); ++n)
            Order[n] = n;
        std::sort(Order.begin(), Order.end(),
                  [&choices](std::size_t a, std::size_t b) { return choices[a].Part[0] < choices[b].Part[0]; });
        Position.resize(Order.size());
        Sorted.resize(Order.size());
        for (std::size_t n = 0; n < Order.size(); ++n)
        {
            Position[Order[n]] = n;
            Sorted[n] = choices[Order[n]];
        }
        const std::size_t count = Sorted.size();
        Neighbours.resize(count * count);
        for (std::size_t a = 0; a < count; ++a)
        {
            Neighbour* row = Neighbours.data() + a * count;
            for (std::size_t b = 0; b < count; ++b)
                row[b] = {float(ExactDistance(Sorted[a], Sorted[b])), static_cast<std::uint32_t>(b)};
            std::sort(row, row + count, [](const Neighbour& x, const Neighbour& y) { return x.Distance < y.Distance; });
        }
    }

    // The nearest choice to place; hint is a choice likely to be near.
    std::size_t NearestTo(const LabPlace& place, std::size_t hint) const
    {
        const std::size_t count = Sorted.size();
        const std::size_t start = Position[hint];
        std::size_t nearest = start;
        float best = DistanceOf(place, Sorted[start]);
        const double reach = std::sqrt(double(best));
        // Beyond this distance from the hint, a choice is farther than the nearest found, whatever
        // the rounding of the distances (a generous margin: the choices looked at cost little).
        double limit = (reach + reach) * (1 + 1e-4) + 1e-3;
        const Neighbour* row = Neighbours.data() + start * count;
        for (std::size_t n = 0; n < count && row[n].Distance <= limit; ++n)
        {
            const std::size_t at = row[n].At;
            const float distance = DistanceOf(place, Sorted[at]);
            if (distance < best || (distance == best && Precedes(at, nearest, start)))
            {
                best = distance;
                nearest = at;
                limit = (reach + std::sqrt(double(best))) * (1 + 1e-4) + 1e-3;
            }
        }
        return Order[nearest];
    }

private:
    // A choice, by its place in Sorted, and its distance from the choice whose list holds it.
    struct Neighbour
    {
        float Distance;
        std::uint32_t At;
    };

    static double ExactDistance(const LabPlace& a, const LabPlace& b)
    {
        double sum = 0;
        for (int axis = 0; axis < 3; ++axis)
            sum += (double(a.Part[axis]) - b.Part[axis]) * (double(a.Part[axis]) - b.Part[axis]);
        return std::sqrt(sum);
    }

    // Whether a tie goes to choice a rather than b: in the order of a search outwards from start,
    // start itself, then upwards, then downwards.
    static bool Precedes(std::size_t a, std::size_t b, std::size_t start)
    {
        const auto rank = [start](std::size_t at) { return at >= start ? at - start : start - at + (1u << 30); };
        return rank(a) < rank(b);
    }

    std::vector<std::size_t> Order;     // the choices by lightness
    std::vector<std::size_t> Position;  // where each choice lies in Order
    std::vector<LabPlace> Sorted;       // the choices in Order
    std::vector<Neighbour> Neighbours;  // for each of Sorted, all of Sorted by distance from it
};

// What a box counted, with whole sums.
struct Sums
{
    std::uint64_t Count = 0;
    std::uint64_t Red = 0, Green = 0, Blue = 0;

    void Add(const Sums& other)
    {
        Count += other.Count;
        Red += other.Red;
        Green += other.Green;
        Blue += other.Blue;
    }
};

// Where the mean of what a box counted lies.
LabPlace PlaceOf(const Sums& box)
{
    return LabOf(double(box.Red) / box.Count, double(box.Green) / box.Count, double(box.Blue) / box.Count);
}

// The box twice as wide that holds box: the top five bits of each channel's six.
std::uint32_t WideBoxOf(std::uint32_t box)
{
    return ((box >> 13) << 10) | (((box >> 7) & 31) << 5) | ((box >> 1) & 31);
}

unsigned Rounded(std::uint64_t sum, std::uint64_t count)
{
    return static_cast<unsigned>((sum + count / 2) / count);
}

}  // namespace

CColorPalette::CColorPalette() : Boxes(BoxCount), BoxChoice(BoxCount, 0)
{
}

void CColorPalette::Choose(std::size_t most)
{
    most = std::min<std::size_t>(std::max<std::size_t>(most, 1), 65535);
    Colors.clear();
    // A box's whole sums: its lowest level of each channel for each colour, and the excess.
    const auto counted = [this](std::uint32_t at) {
        const Box& box = Boxes[at];
        Sums sums;
        sums.Count = box.Count;
        sums.Red = std::uint64_t((at >> 12) << 2) * box.Count + box.Red;
        sums.Green = std::uint64_t(((at >> 6) & 63) << 2) * box.Count + box.Green;
        sums.Blue = std::uint64_t((at & 63) << 2) * box.Count + box.Blue;
        return sums;
    };
    // The choices are found among boxes twice as wide (an eighth as many), which is as good and
    // much quicker; every box then takes its own nearest choice.
    std::vector<Sums> wide(BoxCount / 8);
    for (std::size_t n = 0; n < Used.size(); ++n)
        wide[WideBoxOf(Used[n])].Add(counted(Used[n]));
    std::vector<Entry> entries;
    for (std::uint32_t n = 0; n < wide.size(); ++n)
    {
        const Sums& box = wide[n];
        if (box.Count != 0)
            entries.push_back({PlaceOf(box), float(box.Count), n});
    }
    if (entries.empty())
        return;

    // Each box starts from the group it was cut into, which is near.
    std::vector<std::size_t> nearest;
    std::vector<LabPlace> choices = CutIntoGroups(entries, most, nearest);
    for (int round = 0; round < SettlingRounds; ++round)
    {
        std::vector<double> weight(choices.size(), 0), sum(choices.size() * 3, 0);
        for (std::size_t n = 0; n < entries.size(); ++n)
        {
            weight[nearest[n]] += entries[n].Weight;
            for (int axis = 0; axis < 3; ++axis)
                sum[nearest[n] * 3 + axis] += double(entries[n].Weight) * entries[n].Place.Part[axis];
        }
        for (std::size_t k = 0; k < choices.size(); ++k)
        {
            if (weight[k] > 0)
                for (int axis = 0; axis < 3; ++axis)
                    choices[k].Part[axis] = float(sum[k * 3 + axis] / weight[k]);
        }
        const ChoiceSearch order(choices);
        for (std::size_t n = 0; n < entries.size(); ++n)
            nearest[n] = order.NearestTo(entries[n].Place, nearest[n]);
    }

    // Every box to its nearest choice, looked for from its wide box's.
    std::vector<std::uint32_t> wideChoice(wide.size(), 0);
    for (std::size_t n = 0; n < entries.size(); ++n)
        wideChoice[entries[n].Box] = static_cast<std::uint32_t>(nearest[n]);
    const ChoiceSearch order(choices);
    std::vector<Sums> chosen(choices.size());
    std::vector<std::uint32_t> boxChoice(Used.size(), 0);
    for (std::size_t n = 0; n < Used.size(); ++n)
    {
        const Sums box = counted(Used[n]);
        boxChoice[n] = static_cast<std::uint32_t>(order.NearestTo(PlaceOf(box), wideChoice[WideBoxOf(Used[n])]));
        // Each choice becomes the mean of the colours it stands for.
        chosen[boxChoice[n]].Add(box);
    }
    // Choices that stand for none go.
    std::vector<std::uint16_t> index(choices.size(), 0);
    for (std::size_t k = 0; k < chosen.size(); ++k)
    {
        if (chosen[k].Count == 0)
            continue;
        index[k] = static_cast<std::uint16_t>(Colors.size());
        Colors.push_back(MakeRgb(Rounded(chosen[k].Red, chosen[k].Count), Rounded(chosen[k].Green, chosen[k].Count),
                                 Rounded(chosen[k].Blue, chosen[k].Count)));
    }
    for (std::size_t n = 0; n < Used.size(); ++n)
        BoxChoice[Used[n]] = index[boxChoice[n]];
}
