// Base objects, living objects and key-frame animation: the Debug methods, the
// binding of a Control to its property and the KeyControl's interpolation.
#include <math.h>
#include <string.h>

#include "base/log.h"
#include "engine/classes.h"

namespace {

// The property a Control acts on, in the class of obj; null when propid names none.
const PropDesc* controlledProperty(const Control* c, const void* obj)
{
    if (c->propid < 0 || c->propid >= PROP_METHOD_BASE)
        return nullptr;
    return objPropDesc(obj, uint8_t(c->propid));
}

const Key* keyAt(const KeyControl* kc, int32_t i)
{
    return static_cast<const Key*>(vecAt(&kc->keys, i));
}

float asFloat(int32_t bits)
{
    float f;
    memcpy(&f, &bits, 4);
    return f;
}

int32_t floatBits(float f)
{
    int32_t bits;
    memcpy(&bits, &f, 4);
    return bits;
}

// A float to an integer without undefined behaviour for values out of range.
int64_t truncated(float f)
{
    if (!(f == f))
        return 0;
    if (f >= 9.2e18f)
        return INT64_MAX;
    if (f <= -9.2e18f)
        return INT64_MIN;
    return int64_t(f);
}

int32_t lerpInt(uint32_t t, uint32_t t0, uint32_t t1, int32_t y0, int32_t y1)
{
    // Signed 32-bit arithmetic that wraps instead of overflowing.
    uint32_t sum = (t - t0) * uint32_t(y1) + (t1 - t) * uint32_t(y0);
    int64_t q = int64_t(int32_t(sum)) / int64_t(int32_t(t1 - t0));
    return int32_t(uint32_t(q));
}

uint32_t lerpColor(uint32_t t, uint32_t t0, uint32_t t1, uint32_t c0, uint32_t c1)
{
    uint32_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        uint64_t a = (c0 >> shift) & 0xFF, b = (c1 >> shift) & 0xFF;
        uint64_t c = (a * (t1 - t) + b * (t - t0)) / (t1 - t0);
        out |= uint32_t(c & 0xFF) << shift;
    }
    return out;
}

// The time a "smooth" key pair reaches at t: the interval is walked with an
// ease-in, ease-out curve (3s^2 - 2s^3), so values leave and reach their keys
// gently. Interpolating linearly at this time gives the smooth value.
uint32_t easeTime(uint32_t t, uint32_t t0, uint32_t t1)
{
    double d = double(t1 - t0);
    double s = double(t - t0) / d;
    double eased = s * s * (3.0 - 2.0 * s);
    return t0 + uint32_t(eased * d + 0.5);
}

// Linear interpolation between two keys by value type; false for other types.
bool interpolate(int type, uint32_t t, const Key* k0, const Key* k1, int32_t* value)
{
    uint32_t t0 = k0->time, t1 = k1->time;
    switch (type) {
    case PT_BOOL:
        *value = k0->value;
        return true;
    case PT_INT:
        *value = lerpInt(t, t0, t1, k0->value, k1->value);
        return true;
    case PT_FLOAT:
        *value = floatBits((float(t - t0) * asFloat(k1->value) + float(t1 - t) * asFloat(k0->value)) /
                           float(t1 - t0));
        return true;
    case PT_COLOR:
        *value = int32_t(lerpColor(t, t0, t1, uint32_t(k0->value), uint32_t(k1->value)));
        return true;
    default:
        return false;
    }
}

}

// ---- Debug -----------------------------------------------------------------------------------

int Base_Debug(void* obj, void*)
{
    logLine(static_cast<Base*>(obj)->name);
    return 0;
}

int Str_Debug(void* obj, void*)
{
    Str* s = static_cast<Str*>(obj);
    logWrite(s->name, 0);
    logWrite(":", 0);
    logWrite(s->text ? static_cast<const void*>(s->text) : u"", LOG_WIDE | LOG_EOL);
    return 0;
}

// ---- Control -----------------------------------------------------------------------------------

int Control_Sync(void* obj, void*)
{
    Control* c = static_cast<Control*>(obj);
    void* first = c->objs.count > 0 ? objGet(*static_cast<ObjectId*>(vecAt(&c->objs, 0))) : nullptr;
    if (c->propid != PROP_UNKNOWN) {
        if (c->prop[0])
            return 0;
        if (!first)
            return -1;
        if (const PropDesc* d = controlledProperty(c, first)) {
            strncpy(c->prop, d->name, OBJ_NAME_MAX - 1);
            c->prop[OBJ_NAME_MAX - 1] = 0;
        }
        return 0;
    }
    if (!c->prop[0] || !first)
        return -1;
    c->propid = objPropIndex(first, c->prop);
    return 0;
}

// ---- KeyControl --------------------------------------------------------------------------------

bool keyEvaluate(const KeyControl* kc, uint32_t t, int32_t* value, bool* deactivate)
{
    int32_t n = kc->keys.count;
    *deactivate = false;
    if (n <= 0 || kc->keys.elemSize != sizeof(Key))
        return false;
    const Key* first = keyAt(kc, 0);
    const Key* last = keyAt(kc, n - 1);
    if (t < first->time) {
        *value = first->value;
        return true;
    }
    if (t >= last->time) {
        *value = last->value;
        *deactivate = kc->ort == 0;
        return true;
    }
    // Keys out of time order may leave no pair around t: then no value results.
    for (int32_t i = 0; i + 1 < n; i++) {
        const Key* k0 = keyAt(kc, i);
        const Key* k1 = keyAt(kc, i + 1);
        if (!(k0->time <= t && t < k1->time))
            continue;
        if (kc->interp == 0) {
            *value = k0->value;
            return true;
        }
        if (kc->interp == 2)
            t = easeTime(t, k0->time, k1->time);
        return (kc->interp == 1 || kc->interp == 2) && interpolate(kc->type, t, k0, k1, value);
    }
    return false;
}

bool keyStoreValue(int keyType, int32_t value, int propType, void* prop)
{
    int8_t low = int8_t(value);
    float f = asFloat(value);
    bool keyBool = keyType == PT_BOOL, keyInt = keyType == PT_INT, keyFloat = keyType == PT_FLOAT;
    if (!keyBool && !keyInt && !keyFloat && keyType != PT_COLOR)
        return false;
    switch (propType) {
    case PT_BOOL:
        *static_cast<uint8_t*>(prop) = keyBool    ? uint8_t(low)
                                       : keyInt   ? value >= 1
                                       : keyFloat ? f > 0.0f
                                                  : value != 0;
        return true;
    case PT_INT:
        *static_cast<int32_t*>(prop) = keyBool    ? low
                                       : keyFloat ? int32_t(uint32_t(truncated(f + 0.5f)))
                                                  : value;
        return true;
    case PT_FLOAT:
        *static_cast<float*>(prop) = keyBool    ? float(low)
                                     : keyInt   ? float(value)
                                     : keyFloat ? f
                                                : float(uint32_t(value));
        return true;
    case PT_COLOR:
        *static_cast<uint32_t*>(prop) = keyBool    ? (low ? 0xFFFFFFu : 0u)
                                        : keyFloat ? uint32_t(truncated(f))
                                                   : uint32_t(value);
        return true;
    default:
        return false;
    }
}

int KeyControl_Live(void* obj, void* arg)
{
    KeyControl* kc = static_cast<KeyControl*>(obj);
    if (!arg || kc->objs.count == 0 || kc->keys.count == 0)
        return 0;
    TIME now = *static_cast<TIME*>(arg);
    int32_t value = 0;
    bool evaluated = false;
    uint32_t lastT = 0;
    for (int32_t i = 0; i < kc->objs.count; i++) {
        void* target = objGet(*static_cast<ObjectId*>(vecAt(&kc->objs, i)));
        if (!target)
            continue;
        uint32_t t =
            objIsA(target, &g_baseLivingClass) ? now - static_cast<BaseLiving*>(target)->tStart : now;
        if (!evaluated || t != lastT) {
            bool deactivate = false;
            int32_t v;
            if (keyEvaluate(kc, t, &v, &deactivate))
                value = v;
            if (deactivate)
                kc->active = 0;
            evaluated = true;
            lastT = t;
        }
        if (const PropDesc* d = controlledProperty(kc, target))
            keyStoreValue(kc->type, value, d->type, static_cast<uint8_t*>(target) + d->offset);
    }
    return 1;
}

int KeyControl_AddKey(void*, void*)
{
    return 0;
}

int KeyControl_RemoveKey(void*, void*)
{
    return 0;
}
