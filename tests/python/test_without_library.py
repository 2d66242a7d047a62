"""What the package does without the platform library: it imports, converts values to and from
VARIANT (all but text), and says what is missing on the first call that needs the library."""

import ctypes
import unittest

import quenvar
from quenvar._types import VARIANT
from quenvar._variant import from_variant, to_variant
from quenvar.constants import (DISP_E_EXCEPTION, E_FAIL, VT_BOOL, VT_EMPTY, VT_I1, VT_I4, VT_NULL, VT_R4, VT_R8,
                               VT_UI1, VT_UI8, VT_UINT)


class WithoutLibraryTest(unittest.TestCase):
    def test_values_survive_the_round_trip(self):
        for value, vt in ((None, VT_EMPTY), (True, VT_BOOL), (False, VT_BOOL), (0, VT_I4), (-2**31, VT_I4),
                          (2**31 - 1, VT_I4), (2.5, VT_R8)):
            with self.subTest(value=value):
                variant = VARIANT()
                to_variant(value, variant)
                self.assertEqual(variant.vt, vt)
                back = from_variant(variant)
                self.assertEqual(back, value)
                self.assertIs(type(back), type(value))
        variant = VARIANT(vt=VT_BOOL)
        variant.value.boolVal = 1  # any nonzero VARIANT_BOOL is true
        self.assertIs(from_variant(variant), True)

    def test_every_numeric_type_reads_by_its_own_width(self):
        for vt, field, stored, expected in ((VT_I1, "cVal", -5, -5), (VT_UI1, "bVal", 200, 200),
                                            (VT_UINT, "ulVal", 2**32 - 1, 2**32 - 1),
                                            (VT_UI8, "ullVal", 2**64 - 1, 2**64 - 1), (VT_R4, "fltVal", 0.5, 0.5)):
            with self.subTest(vt=vt):
                variant = VARIANT(vt=vt)
                variant.value.ullVal = 0x5A5A5A5A5A5A5A5A  # bytes a narrower type must not read
                setattr(variant.value, field, stored)
                self.assertEqual(from_variant(variant), expected)
        self.assertIsNone(from_variant(VARIANT(vt=VT_NULL)))

    def test_values_without_an_automation_form_are_refused(self):
        for value, error in ((2**31, OverflowError), (-2**31 - 1, OverflowError), ([1], TypeError),
                             (b"bytes", TypeError)):
            with self.subTest(value=value):
                variant = VARIANT()
                with self.assertRaises(error):
                    to_variant(value, variant)
                self.assertEqual(variant.vt, VT_EMPTY)  # nothing for the caller to clear
        with self.assertRaises(TypeError):
            from_variant(VARIANT(vt=0x2003))  # an array of VT_I4

    def test_errors_read_as_unsigned_codes(self):
        error = quenvar.COMError(ctypes.c_int32(DISP_E_EXCEPTION).value, "QueryServer", description="refused",
                                 scode=ctypes.c_int32(E_FAIL).value)
        self.assertEqual((error.hresult, error.scode), (DISP_E_EXCEPTION, E_FAIL))
        self.assertEqual(str(error), "QueryServer (0x80020009): refused")

    def test_the_first_call_names_the_missing_library(self):
        with self.assertRaisesRegex(OSError, "QUENVAR_PLATFORM_LIBRARY"):
            quenvar.Dispatch("Palvex.Palvex")


if __name__ == "__main__":
    unittest.main()
