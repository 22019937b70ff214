! Records of the climate simulation's result files and temperature history, as
! gfortran writes them, for the engine's byte-exact tests:
!   gfortran -O0 result_records.f90 -o result_records && ./result_records
! writes result_records.tsv in the current folder. Each line: case, file kind,
! units (E English, M metric), day, the input values as bits in hexadecimal
! (comma-separated; single precision unless the kind says double), the record.
! Metric conversions are done here in single precision, as the files define
! them: (T - 32) / 1.8, value / 0.14504, gradient / 4.572.
program result_records
  implicit none
  integer, parameter :: dp = kind(1d0), n = 40
  real :: t(n), m(n), s(n), w(n), c(n), g(4), h(5)
  real :: conv(n), x, d(5)
  real(dp) :: wt, v(5), dv(3)
  integer :: u, k, a(5), b(5)
  character(len=2000) :: buf
  character(len=40) :: fmt

  ! temperatures, deg F: the special cases first, then a smooth profile
  t(1:10) = [32.0, -0.04, 12345.6, 99.95, -40.0, 31.95, -999.96, 9999.94, -99.96, 0.05]
  do k = 11, n
    t(k) = 20.0 + 1.37 * real(k) - 0.013 * real(k)**2
  end do
  ! metric values that single-precision arithmetic rounds across a last digit
  t(11) = -59.53
  t(12) = -59.17

  ! moduli, psi
  m(1:10) = [0.0, -15000.0, 1.0e-5, 1.0e30, -2.5e-3, 40000.0, 8500.0, 0.9995, -1.0e-30, 3.0e37]
  do k = 11, n
    m(k) = 123.456 * real(k)**3 * (-1.0)**k
  end do
  m(11) = 416.99
  m(12) = 525.77
  ! pore-water pressures (negative in tension)
  s(1:6) = [0.0, -0.5, -1.0e5, -3.3e-3, 12.5, -1019991.875]
  do k = 7, n
    s(k) = -12.5 * real(k)**2
  end do
  ! water and ice contents
  w(1:8) = [0.0, 0.25, 1.0, 0.0005, 12.5, 123.4, -0.0004, 0.1234567]
  do k = 9, n
    w(k) = 0.01 * real(k) + 0.0003
  end do
  do k = 1, n
    c(k) = 0.5 * w(n + 1 - k)
  end do

  open (newunit=u, file='result_records.tsv', status='replace', action='write')

  fmt = '(I4,40F6.1)'
  write (buf, fmt) 12, t
  call put(u, 'tem_english', 'tem', 'E', 12, t, n, buf)
  conv = (t - 32.0) / 1.8
  write (buf, fmt) 12, conv
  call put(u, 'tem_metric', 'tem', 'M', 12, t, n, buf)

  fmt = '(I4,40E10.3)'
  write (buf, fmt) 12, m
  call put(u, 'mod_english', 'mod', 'E', 12, m, n, buf)
  conv = m / 0.14504
  write (buf, fmt) 12, conv
  call put(u, 'mod_metric', 'mod', 'M', 12, m, n, buf)
  write (buf, fmt) 12, s
  call put(u, 'por_english', 'por', 'E', 12, s, n, buf)
  conv = s / 0.14504
  write (buf, fmt) 12, conv
  call put(u, 'por_metric', 'por', 'M', 12, s, n, buf)

  fmt = '(I4,40F6.3)'
  write (buf, fmt) 12, w
  call put(u, 'wat_english', 'wat', 'E', 12, w, n, buf)
  call put(u, 'wat_metric', 'wat', 'M', 12, w, n, buf)
  write (buf, fmt) 12, c
  call put(u, 'ice_english', 'ice', 'E', 12, c, n, buf)
  call put(u, 'ice_metric', 'ice', 'M', 12, c, n, buf)

  ! a day on which the gradient never turns positive: its maximum stays 0 at
  ! hour 0, and its minimum falls in the last sub-step of the day
  g = [23.99992, -1.5, 0.0, 0.0]
  call put_crl(u, 'crl_flat', 12, g)
  g = [5.25, -2.345, 14.5, 3.21]
  call put_crl(u, 'crl_day', 365, g)

  ! the day column is four wide
  write (buf, '(I4,3F6.1)') 10000, t(1:3)
  call put(u, 'tem_day_10000', 'tem', 'E', 10000, t, 3, buf)

  ! E10.3 of double values through the per-node layout
  dv = [1d100, -1d-5, 0d0]
  write (buf, '(I4,3E10.3)') 1, dv
  write (u, '(A,A1,A,A1,A,A1,A,A1)', advance='no') 'exponent_double', char(9), 'double', &
    char(9), 'E', char(9), '1', char(9)
  write (u, '(Z16.16,A1,Z16.16,A1,Z16.16)', advance='no') dv(1), ',', dv(2), ',', dv(3)
  write (u, '(A1,A)') char(9), trim(buf)

  ! A history record at 3 February 2001, 07 h, for a top layer of 4.5 inches at
  ! a spacing of 1.125 inches (nodes at 0, 1.125, 2.25, 3.375 and 4.5 inches).
  ! Points at 0, 0.5, 1, 2, 3 and 4 inches; the record holds points 1, 2, 4
  ! and 6 (depths 0, 0.5, 2 and 4), then the bottom node, 4.5 > 4.001.
  h = [52.3, 54.1, 55.7, 58.9, 60.2]
  d(1) = 0.0
  do k = 2, 5
    d(k) = d(k - 1) + 4.5 / 4.0
  end do
  a = [1, 1, 2, 4, 5]
  b = [1, 2, 3, 5, 5]
  do k = 1, 5
    select case (k)
    case (1)
      wt = 1d0
    case (2)
      x = 0.5
      wt = (dble(d(b(k))) - dble(x)) / (dble(d(b(k))) - dble(d(a(k))))
    case (3)
      x = 2.0
      wt = (dble(d(b(k))) - dble(x)) / (dble(d(b(k))) - dble(d(a(k))))
    case (4)
      x = 4.0
      wt = (dble(d(b(k))) - dble(x)) / (dble(d(b(k))) - dble(d(a(k))))
    case (5)
      wt = 1d0
    end select
    v(k) = h(a(k)) * wt + h(b(k)) * (1d0 - wt)
  end do
  write (buf, '(A10,5F6.1)') '2001020307', v
  call put(u, 'history_4_5', 'history', 'E', 0, h, 5, buf)

  close (u)

contains

  subroutine put(u, name, kind, units, day, vals, nv, rec)
    integer, intent(in) :: u, day, nv
    character(len=*), intent(in) :: name, kind, units, rec
    real, intent(in) :: vals(*)
    integer :: j
    character(len=12) :: daytext
    write (daytext, '(I0)') day
    write (u, '(A,A1,A,A1,A,A1,A,A1)', advance='no') name, char(9), kind, char(9), units, &
      char(9), trim(daytext), char(9)
    do j = 1, nv
      if (j > 1) write (u, '(A)', advance='no') ','
      write (u, '(Z8.8)', advance='no') vals(j)
    end do
    write (u, '(A1,A)') char(9), trim(rec)
  end subroutine

  subroutine put_crl(u, name, day, gr)
    integer, intent(in) :: u, day
    character(len=*), intent(in) :: name
    real, intent(in) :: gr(4)
    character(len=100) :: rec
    real :: gm(4)
    write (rec, '(I4,1X,F6.2,F8.3,F6.2,F8.3)') day, gr
    call put(u, name // '_english', 'crl', 'E', day, gr, 4, rec)
    gm = gr
    gm(2) = gr(2) / 4.572
    gm(4) = gr(4) / 4.572
    write (rec, '(I4,1X,F6.2,F8.3,F6.2,F8.3)') day, gm
    call put(u, name // '_metric', 'crl', 'M', day, gr, 4, rec)
  end subroutine

end program
