! Prints a corpus of values through the fixed layouts the programs use, as
! gfortran writes them, and reads a corpus of free-form and fixed-column lines.
! Its output is the golden data of the platform tests:
!   gfortran -O0 format_corpus.f90 -o format_corpus && ./format_corpus
! writes write_corpus.tsv and read_corpus.tsv in the current folder.
program format_corpus
  implicit none
  integer, parameter :: dp = kind(1d0), nfmt = 35, nint_fmt = 6
  character(len=12) :: real_fmts(nfmt) = [character(len=12) :: &
    'F5.1', 'F6.1', 'F6.2', 'F6.3', 'F8.2', 'F8.3', 'F9.3', 'F10.0', 'F10.1', 'F10.3', &
    'F11.2', 'F12.1', 'F12.3', 'F12.6', 'F14.4', 'F14.5', 'E10.3', 'E14.6', '1PE24.15', &
    'E24.15', 'F4.3', '-1PF10.0', '-2PF10.1', '1PF12.3', 'E60.50', &
    'G10.4', 'G12.4E3', '1PG12.4', '-1PG12.4', '1PG12.0', 'D12.4', '1PD12.4', 'E12.4E1', &
    '1PE12.4E2', '3PE12.2']
  integer :: real_widths(nfmt) = [5, 6, 6, 6, 8, 8, 9, 10, 10, 10, 11, 12, 12, 12, 14, 14, &
    10, 14, 24, 24, 4, 10, 10, 12, 60, 10, 12, 12, 12, 12, 12, 12, 12, 12, 12]
  character(len=12) :: int_fmts(nint_fmt) = [character(len=12) :: 'I4', 'I10', 'I3', 'I6', &
    'I5.3', 'I5.0']
  integer :: int_widths(nint_fmt) = [4, 10, 3, 6, 5, 5]
  real(dp), allocatable :: dv(:)
  real, allocatable :: sv(:)
  integer :: iv(16) = [0, 1, -1, 7, 99, -99, 999, 1000, 9999, 10000, -999, -1000, 12345, &
    2147483647, -2147483647 - 1, 123456]
  integer :: u, i, k, n
  real(dp) :: zero, x
  integer(8) :: seed

  zero = 0d0
  n = 0
  allocate (dv(600), sv(300))
  ! special values and ties
  call addd(0d0); call addd(-zero); call addd(0.5d0); call addd(-0.5d0)
  call addd(0.125d0); call addd(0.25d0); call addd(0.375d0); call addd(2.5d0); call addd(-2.5d0)
  call addd(0.05d0); call addd(-0.05d0); call addd(-0.04d0); call addd(1.005d0); call addd(0.45d0)
  call addd(1d0); call addd(-1d0); call addd(9.95d0); call addd(9.9996d0); call addd(99.95d0)
  call addd(12345.6d0); call addd(99999.95d0); call addd(1234.5d0); call addd(0.0005d0)
  call addd(999.9995d0); call addd(1d-5); call addd(-1d-5); call addd(32d0); call addd(1d100)
  call addd(1d-100); call addd(1d-300); call addd(1d300); call addd(huge(1d0)); call addd(tiny(1d0))
  call addd(4.9406564584124654d-324); call addd(1d99); call addd(1d-99); call addd(9.99999d99)
  call addd(1d0/zero); call addd(-1d0/zero); call addd((1d0/zero) - (1d0/zero))
  call addd(2d0**52); call addd(2d0**53 + 2d0); call addd(4503599627370495.5d0)
  call addd(0.15d0); call addd(0.35d0); call addd(1.15d0); call addd(2.675d0)
  ! powers of ten from 1e-300 to 1e300, with two mantissas
  do k = -300, 300, 13
    call addd(10d0**k)
    call addd(-1.2345678901234567d0 * 10d0**k)
  end do
  ! pseudo-random values of engineering size, deterministic
  seed = 12345_8
  do i = 1, 200
    seed = mod(seed * 1103515245_8 + 12345_8, 2147483648_8)
    x = real(seed, dp) / 2147483648d0
    seed = mod(seed * 1103515245_8 + 12345_8, 2147483648_8)
    k = int(mod(seed, 12_8)) - 6
    x = (x - 0.5d0) * 2d0 * 10d0**k
    call addd(x)
  end do
  ! where G changes between its F and E forms
  call addd(9999.5d0); call addd(99995d0); call addd(0.09995d0); call addd(0.099995d0)
  call addd(-0.0999949d0); call addd(9.9995d0); call addd(999.95d0); call addd(0.15d0)
  call addd(nearest(9.9995d0, -1d0)); call addd(nearest(0.099995d0, -1d0))
  call addd(nearest(9999.5d0, -1d0))

  open (newunit=u, file='write_corpus.tsv', status='replace', action='write')
  do i = 1, n
    do k = 1, nfmt
      call putd(u, real_fmts(k), real_widths(k), dv(i))
    end do
  end do
  ! single precision values as the engine writes them
  do i = 1, n
    sv(mod(i - 1, 300) + 1) = real(dv(i))
    if (i > 300) exit
    do k = 1, nfmt
      call puts(u, real_fmts(k), real_widths(k), real(dv(i)))
    end do
  end do
  do i = 1, size(iv)
    do k = 1, nint_fmt
      call puti(u, int_fmts(k), int_widths(k), iv(i))
    end do
  end do
  call composite(u)
  close (u)

  call read_corpus()

contains

  subroutine addd(v)
    real(dp), intent(in) :: v
    n = n + 1
    dv(n) = v
  end subroutine

  subroutine putd(u, f, w, v)
    integer, intent(in) :: u, w
    character(len=*), intent(in) :: f
    real(dp), intent(in) :: v
    character(len=64) :: buf
    write (buf, '(' // trim(f) // ')') v
    write (u, '(A,A,A,A,Z16.16,A,A)') trim(f), char(9), 'd', char(9), v, char(9), buf(1:w)
  end subroutine

  subroutine puts(u, f, w, v)
    integer, intent(in) :: u, w
    character(len=*), intent(in) :: f
    real, intent(in) :: v
    character(len=64) :: buf
    write (buf, '(' // trim(f) // ')') v
    write (u, '(A,A,A,A,Z8.8,A,A)') trim(f), char(9), 's', char(9), v, char(9), buf(1:w)
  end subroutine

  subroutine puti(u, f, w, v)
    integer, intent(in) :: u, w, v
    character(len=*), intent(in) :: f
    character(len=64) :: buf
    write (buf, '(' // trim(f) // ')') v
    write (u, '(A,A,A,A,Z8.8,A,A)') trim(f), char(9), 'i', char(9), v, char(9), buf(1:w)
  end subroutine

  ! Composite layouts: several items through one format. Kind 'c'; the second
  ! field names the case, the third is empty.
  subroutine composite(u)
    integer, intent(in) :: u
    character(len=300) :: buf
    character(len=10) :: a10
    character(len=255) :: a255
    write (buf, '(2I5)') 17, -3
    write (u, '(A)') '2I5' // char(9) // 'c' // char(9) // 'pair' // char(9) // buf(1:10)
    a10 = 'abc'
    write (buf, '(A10)') a10
    write (u, '(A)') 'A10' // char(9) // 'c' // char(9) // 'abc' // char(9) // buf(1:10)
    write (buf, '(A3)') 'abcdef'
    write (u, '(A)') 'A3' // char(9) // 'c' // char(9) // 'abcdef' // char(9) // buf(1:3)
    write (buf, '(A8)') 'abc'
    write (u, '(A)') 'A8' // char(9) // 'c' // char(9) // 'abc' // char(9) // buf(1:8)
    a255 = 'c:\project\folder\'
    write (buf, '(A255)') a255
    write (u, '(A)') 'A255' // char(9) // 'c' // char(9) // 'c:\project\folder\' // char(9) // buf(1:255)
    write (buf, '(I4,1X,F6.2,F8.3,F6.2,F8.3)') 12, 0d0, 0d0, 23.99992d0, -1.5d0
    write (u, '(A)') 'I4,1X,F6.2,F8.3,F6.2,F8.3' // char(9) // 'c' // char(9) // 'crl' // char(9) // buf(1:33)
    write (buf, '(1PE24.15,F6.1)') 1d-10, 2.25d0
    write (u, '(A)') '1PE24.15,F6.1' // char(9) // 'c' // char(9) // 'scale-persists' // char(9) // buf(1:30)
    write (buf, '(A10,12F6.1)') '2001020307', 1d0, -2d0, 3.25d0
    write (u, '(A)') 'A10,12F6.1' // char(9) // 'c' // char(9) // 'history' // char(9) // trim(buf)
  end subroutine

  ! Free-form and fixed-column reads. Each case reads one line into named items
  ! and prints the values as bits.
  subroutine read_corpus()
    integer :: u, ios, i1, i2, i3
    real :: s1, s2
    real(dp) :: d1, d2
    character(len=8) :: c1
    character(len=80) :: lines(29)
    integer :: k
    lines = [character(len=80) :: &
      '1 2 3', '1,2,3', ' 1 , , 3', '2*7 9', '2* 9', '1 2/ 3', '-5,+6,0', &
      '1.5 2.5d0 3', '1e3 -2.5E-2 .5', '1.5+3 2.5-1 7', '3*1.25', &
      "'it''s' 4 5", '"quoted" 1 2', 'word, 8 9', '0.1 0.2 0.3', &
      '3.4028235e38 1e-45 1', '1e400 1e-400 2', '  7  ', &
      '12345678.9 0.3333333333333333 1', '-0 -0.0 0', '16777217 2 3', &
      '1.00000005960464477539 2 3', '0.1e1 1. 2', '9.9999999999999999e22 1 1', &
      '100000000000000000000000000000000000000000000 1 1', &
      '0.0000000000000000000000000000000000000000000000000000001e2 1 1', &
      '1.5e0001 1e-0000000000001 3', '1.5e99999999999 1e400000000000000000 1', &
      '0e99999999999 1e-400000000000000000 -1.5e-99999999999']
    open (newunit=u, file='read_corpus.tsv', status='replace', action='write')
    ! integers
    do k = 1, 7
      i1 = -111; i2 = -111; i3 = -111
      read (lines(k), *, iostat=ios) i1, i2, i3
      write (u, '(A,A,A,A,I0,A,Z8.8,A,Z8.8,A,Z8.8)') 'list-iii', char(9), trim(lines(k)), &
        char(9), ios, char(9), i1, char(9), i2, char(9), i3
    end do
    ! reals: single, double, single
    do k = 8, size(lines)
      s1 = -111; d1 = -111; s2 = -111
      if (k == 12 .or. k == 13 .or. k == 14) cycle
      read (lines(k), *, iostat=ios) s1, d1, s2
      write (u, '(A,A,A,A,I0,A,Z8.8,A,Z16.16,A,Z8.8)') 'list-sds', char(9), trim(lines(k)), &
        char(9), ios, char(9), s1, char(9), d1, char(9), s2
    end do
    ! text then integers
    do k = 12, 14
      c1 = 'xxxxxxxx'; i1 = -111; i2 = -111
      read (lines(k), *, iostat=ios) c1, i1, i2
      write (u, '(A,A,A,A,I0,A,A,A,Z8.8,A,Z8.8)') 'list-aii', char(9), trim(lines(k)), &
        char(9), ios, char(9), c1, char(9), i1, char(9), i2
    end do
    ! fixed columns
    call fixed_case(u, '(F10.1)', '      1234')
    call fixed_case(u, '(F10.1)', '     123.4')
    call fixed_case(u, '(F10.1)', '   1.234E2')
    call fixed_case(u, '(F10.1)', '          ')
    call fixed_case(u, '(F10.1)', '  1 2 3 4 ')
    call fixed_case(u, '(F10.1)', '     -1234')
    call fixed_case(u, '(F10.3)', '     12345')
    call fixed_case(u, '(F10.3)', '    1234+2')
    call fixed_case(u, '(F12.1)', '        1234')
    call fixed_case(u, '(F12.1)', '      2112.0')
    call fixed_case(u, '(F6.1)', '  32.0')
    call fixed_case(u, '(F6.1)', '  -0.0')
    call fixed_case(u, '(F6.1)', '  12')
    call fixed_case(u, '(E10.3)', ' 0.123E+04')
    call fixed_case(u, '(E10.3)', ' 0.100+101')
    call fixed_case(u, '(E10.3)', '      1234')
    call fixed_case(u, '(F10.0)', '        1.')
    call fixed_case(u, '(F10.2)', '   1.5D+02')
    close (u)
    ! integers by columns: I10, I5, 3I2 with blanks inside and short lines
    open (newunit=u, file='read_corpus.tsv', status='old', position='append', action='write')
    call int_case(u, '(I10,F12.1)', '        12      2112.0')
    call int_case(u, '(I10,F12.1)', '        12        1234')
    call int_case(u, '(I10,F12.1)', '        12')
    call int_case(u, '(I10,F12.1)', '  1 2     ')
    call int_case(u, '(I4,3I2,F6.1)', '2001020307  12.5')
    call int_case(u, '(I4,3I2,F6.1)', '2001')
    close (u)
  end subroutine

  subroutine fixed_case(u, f, line)
    integer, intent(in) :: u
    character(len=*), intent(in) :: f, line
    real :: s
    real(dp) :: d
    integer :: ios1, ios2
    s = -111; d = -111
    read (line, f, iostat=ios1) s
    read (line, f, iostat=ios2) d
    write (u, '(A,A,A,A,A,A,I0,A,Z8.8,A,Z16.16)') 'fixed-sd', char(9), f, '|', line, &
      char(9), ios1 + ios2, char(9), s, char(9), d
  end subroutine

  subroutine int_case(u, f, line)
    integer, intent(in) :: u
    character(len=*), intent(in) :: f, line
    integer :: i1, i2, i3, i4, ios
    real(dp) :: d
    i1 = -111; i2 = -111; i3 = -111; i4 = -111; d = -111
    if (index(f, '3I2') > 0) then
      read (line, f, iostat=ios) i1, i2, i3, i4, d
    else
      read (line, f, iostat=ios) i1, d
    end if
    write (u, '(A,A,A,A,A,A,I0,A,Z8.8,A,Z8.8,A,Z8.8,A,Z8.8,A,Z16.16)') 'fixed-iiiid', char(9), f, &
      '|', line, char(9), ios, char(9), i1, char(9), i2, char(9), i3, char(9), i4, char(9), d
  end subroutine

end program format_corpus
