#pragma once
// The property table of a class: one row per property the class itself adds or answers differently; every other id
// goes to the parent class. A class declares its properties like this:
//
//   using P = TProps<TVelkBox>;
//   const TPropTable<TVelkBox> kBoxProps = {
//       P::Plain<&TVelkBox::OnIdle>(PR_ONIDLE),                    // the field, read and written as it is
//       P::Visual<&TVelkBox::BorderWidth>(PR_BORDERWIDTH),         // a change redraws the old and the new area
//       P::Geometric<&TVelkControl::OffsetX>(PR_OFFSETX),          // as Visual, then GeometryChanged (children follow)
//       P::Custom<&TVelkBox::Source, &TVelkBox::SetSource>(PR_SOURCE),  // read a field or getter, write a setter
//       P::ReadOnly<&TVelkCinema::Count>(PR_COUNT),               // read a field or getter; writes are ignored
//       {PR_PLAYING, [](const TVelkBox& b, TPropValue& v) { v.B = ...; }, nullptr},  // anything else: a plain row
//   };
//   bool TVelkBox::GetProp(int32_t id, TPropValue& v) const {
//     return kBoxProps.Get(*this, id, v) || TVelkControl::GetProp(id, v);
//   }
//   bool TVelkBox::SetProp(int32_t id, const TPropValue& v) {
//     return kBoxProps.Set(*this, id, v) || TVelkControl::SetProp(id, v);
//   }
//
// The rules every table shares: a row without a getter leaves the read to the parent class; a row without a setter
// makes the property read-only for this class (the write is ignored, the parent is not asked). Field types map to
// the value slots: int32_t and uint8_t to I, bool to B, std::string to S, long double to F.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "scene/props.h"

namespace velk {

namespace prop_detail {

inline void Store(TPropValue& v, int32_t x) { v.I = x; }
inline void Store(TPropValue& v, uint8_t x) { v.I = x; }
inline void Store(TPropValue& v, bool x) { v.B = x; }
inline void Store(TPropValue& v, const std::string& x) { v.S = x; }
inline void Store(TPropValue& v, long double x) { v.F = x; }

template <class V> V Load(const TPropValue& v) {
  if constexpr (std::is_same_v<V, bool>) {
    return v.B;
  } else if constexpr (std::is_same_v<V, std::string>) {
    return v.S;
  } else if constexpr (std::is_same_v<V, long double>) {
    return v.F;
  } else {
    static_assert(std::is_same_v<V, int32_t> || std::is_same_v<V, uint8_t>, "no value slot for this field type");
    return static_cast<V>(v.I);
  }
}

// The argument type of a one-argument setter.
template <class M> struct TSetterArg;
template <class C, class A> struct TSetterArg<void (C::*)(A)> { using Type = std::remove_cvref_t<A>; };

// Reads a field or calls a const getter.
template <auto Getter, class T> decltype(auto) Read(const T& o) {
  if constexpr (std::is_member_function_pointer_v<decltype(Getter)>) {
    return (o.*Getter)();
  } else {
    return (o.*Getter);
  }
}

}  // namespace prop_detail

// The row makers of a class's table.
template <class T> struct TProps {
  template <auto Getter> static void GetField(const T& o, TPropValue& v) {
    prop_detail::Store(v, prop_detail::Read<Getter>(o));
  }
  template <auto Field> static void SetPlainField(T& o, const TPropValue& v) {
    using V = std::remove_cvref_t<decltype(o.*Field)>;
    o.*Field = prop_detail::Load<V>(v);
  }
  template <auto Field> static void SetVisualField(T& o, const TPropValue& v) {
    using V = std::remove_cvref_t<decltype(o.*Field)>;
    const V x = prop_detail::Load<V>(v);
    if (o.*Field == x) return;
    o.Invalidate();
    o.*Field = x;
    o.Invalidate();
  }
  template <auto Field> static void SetGeometricField(T& o, const TPropValue& v) {
    SetVisualField<Field>(o, v);
    o.GeometryChanged();
  }
  template <auto Setter> static void CallSetter(T& o, const TPropValue& v) {
    using A = typename prop_detail::TSetterArg<decltype(Setter)>::Type;
    (o.*Setter)(prop_detail::Load<A>(v));
  }

  template <auto Field> static constexpr TPropRow<T> Plain(int32_t id) {
    return {id, GetField<Field>, SetPlainField<Field>};
  }
  template <auto Field> static constexpr TPropRow<T> Visual(int32_t id) {
    return {id, GetField<Field>, SetVisualField<Field>};
  }
  template <auto Field> static constexpr TPropRow<T> Geometric(int32_t id) {
    return {id, GetField<Field>, SetGeometricField<Field>};
  }
  template <auto Getter, auto Setter> static constexpr TPropRow<T> Custom(int32_t id) {
    return {id, GetField<Getter>, CallSetter<Setter>};
  }
  template <auto Getter> static constexpr TPropRow<T> ReadOnly(int32_t id) { return {id, GetField<Getter>, nullptr}; }
};

template <class T> class TPropTable {
 public:
  TPropTable(std::initializer_list<TPropRow<T>> rows) : rows_(rows) {}

  // True when the class reads the id itself.
  bool Get(const T& o, int32_t id, TPropValue& v) const {
    const TPropRow<T>* row = Find(id);
    if (!row || !row->Get) return false;
    row->Get(o, v);
    return true;
  }
  // True when the class takes the write itself, also when it ignores it (read-only for the class).
  bool Set(T& o, int32_t id, const TPropValue& v) const {
    const TPropRow<T>* row = Find(id);
    if (!row) return false;
    if (row->Set) {
      row->Set(o, v);
    } else if (!row->Get) {
      return false;
    }
    return true;
  }

 private:
  const TPropRow<T>* Find(int32_t id) const {
    for (const TPropRow<T>& row : rows_) {
      if (row.Id == id) return &row;
    }
    return nullptr;
  }

  std::vector<TPropRow<T>> rows_;
};

// Whether a file name ends in the extension (with its dot, e.g. ".kmt"), compared without case; a dot before the
// last folder delimiter does not count.
bool HasExtension(const std::string& name, const char* extension);
// Picture files that image controls load as frames: layered images, PNG and BMP.
inline bool IsPictureFile(const std::string& name) {
  return HasExtension(name, ".brx") || HasExtension(name, ".png") || HasExtension(name, ".bmp");
}

}  // namespace velk
