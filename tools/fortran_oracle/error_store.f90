! Golden texts of the numerical library's stored double-precision message
! values: 1PE24.15 with leading blanks removed, E24.15 for zero and NaN.
! One line per value: its bit pattern in hexadecimal, a blank, the text.
!
! Regenerate (from the repository root):
!   gfortran -O0 tools/fortran_oracle/error_store.f90 -o /tmp/error_store && \
!     /tmp/error_store > tests/data/numlib/error_store_double.txt
program error_store
  use, intrinsic :: ieee_arithmetic
  use, intrinsic :: iso_fortran_env, only: int64, real64
  implicit none
  real(real64) :: values(16)
  integer :: i

  values(1) = 0.5_real64
  values(2) = 0.0_real64
  values(3) = sign(0.0_real64, -1.0_real64)
  values(4) = 1.0e-300_real64
  values(5) = huge(1.0_real64)
  values(6) = transfer(1_int64, 1.0_real64)              ! smallest subnormal
  values(7) = ieee_value(1.0_real64, ieee_quiet_nan)
  values(8) = ieee_value(1.0_real64, ieee_positive_inf)
  values(9) = ieee_value(1.0_real64, ieee_negative_inf)
  values(10) = 1.0e-10_real64
  values(11) = -7.25_real64
  values(12) = 1.0_real64 / 3.0_real64
  values(13) = 9.5e99_real64
  values(14) = 1.0e100_real64
  values(15) = -2.2250738585072014e-308_real64           ! smallest normal, negative
  values(16) = nearest(1.0_real64, -1.0_real64)

  do i = 1, size(values)
    call put(values(i))
  end do

contains

  subroutine put(x)
    real(real64), intent(in) :: x
    character(len=24) :: field
    if (x == 0.0_real64 .or. ieee_is_nan(x)) then
      write (field, '(E24.15)') x
    else
      write (field, '(1PE24.15)') x
    end if
    write (*, '(Z16.16,1X,A)') transfer(x, 1_int64), trim(adjustl(field))
  end subroutine put

end program error_store
