! Golden pages of the library's matrix printers. Each page was laid out by hand
! from the printers' rules (columns, gaps, centring shifts, continuation
! indents) as a format with explicit positions; gfortran renders the values.
!   gfortran -O0 matrix_prints.f90 -o matrix_prints
!   ./matrix_prints > ../../tests/data/numlib/matrix_prints.txt
! A case starts with "#case NAME"; a page break is a line of one form feed;
! lines carry no trailing blanks and an empty line is one blank.
program matrix_prints
  implicit none
  integer, parameter :: dp = kind(1d0)
  character(len=200) :: buf
  real(dp) :: a(3, 12), b(5, 8)
  integer :: i, j, k
  character(len=30) :: cyc

  ! ---- one element: no labels; (F10.1) after the trim
  call start('one-by-one')
  call ff()
  call put('(3X,A)', 'Scale')
  write (buf, '(F10.1)') 2.5d0; call out()

  ! ---- a row: " Component" heads the row-label field (width 10)
  call start('row-vector')
  call ff()
  call put('(26X,A)', 'Row vector')
  write (buf, '(A10,4(3X,I10))') ' Component', 1, 2, 3, 4; call out()
  write (buf, '(13X,F10.2,3(3X,F10.2))') 1.25d0, -2.5d0, 3.75d0, 10d0; call out()

  ! ---- a column: numbered rows right-aligned under the heading
  call start('column-vector')
  call ff()
  call put('(5X,A)', 'Column vector')
  call put('(A)', ' Component')
  write (buf, '(I10,3X,F10.3)') 1, 0.001d0; call out()
  write (buf, '(I10,3X,F10.3)') 2, 0.02d0; call out()
  write (buf, '(I10,3X,F10.3)') 3, -0.3d0; call out()
  write (buf, '(I10,3X,F10.3)') 4, 4d0; call out()

  ! ---- a 3 x 3 matrix under each ITRING; the format follows what is printed
  a(1, 1:3) = [1.5d0, -2d0, 3.25d0]
  a(2, 1:3) = [4d0, 5.5d0, -6d0]
  a(3, 1:3) = [7d0, 8d0, 9.75d0]
  call start('itring-0')
  call ff()
  call put('(19X,A)', 'ITRING = 0')
  write (buf, '(A10,3(3X,I10))') 'Row/Column', 1, 2, 3; call out()
  do i = 1, 3
    write (buf, '(I10,3(3X,F10.2))') i, a(i, 1:3); call out()
  end do
  call start('itring-1')
  call ff()
  call put('(19X,A)', 'ITRING = 1')
  write (buf, '(A10,3(3X,I10))') 'Row/Column', 1, 2, 3; call out()
  write (buf, '(I10,3(3X,F10.2))') 1, a(1, 1:3); call out()
  write (buf, '(I10,16X,F10.2,3X,F10.2)') 2, a(2, 2:3); call out()
  write (buf, '(I10,29X,F10.2)') 3, a(3, 3); call out()
  call start('itring-2')
  call ff()
  call put('(13X,A)', 'ITRING = 2')
  write (buf, '(A10,2(3X,I10))') 'Row/Column', 2, 3; call out()
  write (buf, '(I10,2(3X,F10.2))') 1, a(1, 2:3); call out()
  write (buf, '(I10,16X,F10.2)') 2, a(2, 3); call out()
  call start('itring-minus-1')
  call ff()
  call put('(19X,A)', 'ITRING = -1')
  write (buf, '(A10,3(3X,I10))') 'Row/Column', 1, 2, 3; call out()
  write (buf, '(I10,3X,F10.2)') 1, a(1, 1); call out()
  write (buf, '(I10,2(3X,F10.2))') 2, a(2, 1:2); call out()
  write (buf, '(I10,3(3X,F10.2))') 3, a(3, 1:3); call out()
  call start('itring-minus-2')
  call ff()
  call put('(13X,A)', 'ITRING = -2')
  write (buf, '(A10,2(3X,I10))') 'Row/Column', 1, 2; call out()
  write (buf, '(I10,3X,I10)') 2, int(a(2, 1)); call out()
  write (buf, '(I10,2(3X,I10))') 3, int(a(3, 1:2)); call out()

  ! ---- 3 x 12 under (2F10.3,I5): items cycle over the columns; a row that
  ! passes the page width goes on, indented 1, 2, 3, 4, 0, ... further
  do j = 1, 12
    do i = 1, 3
      a(i, j) = (-1)**(i + j) * (10d0 * i + j + j / 8d0)
    end do
  end do
  call start('cycling-items')
  call ff()
  call put('(33X,A)', 'Cycling items')
  write (buf, '(A10,2(3X,I10),3X,I5,2(3X,I10),3X,I5)') 'Row/Column', (j, j = 1, 6); call out()
  write (buf, '(14X,I10,3X,I10,3X,I5,2(3X,I10),3X,I5)') (j, j = 7, 12); call out()
  do i = 1, 3
    write (buf, '(I10,2(3X,F10.3),3X,I5,2(3X,F10.3),3X,I5)') i, a(i, 1:2), int(a(i, 3)), &
      a(i, 4:5), int(a(i, 6)); call out()
    write (buf, '(14X,F10.3,3X,F10.3,3X,I5,2(3X,F10.3),3X,I5)') a(i, 7:8), int(a(i, 9)), &
      a(i, 10:11), int(a(i, 12)); call out()
  end do
  ! the same on a page 30 wide: one column a line, indents 0 1 2 3 4 0 1 2 3 4 0 1
  call start('cycling-items-narrow')
  call ff()
  call put('(5X,A)', 'Cycling items')
  do k = 0, 11
    call indent_format(k, cyc)
    j = k + 1
    if (k == 0) then
      write (buf, '(A10,3X,I10)') 'Row/Column', 1
    else if (mod(j, 3) == 0) then
      write (buf, '(' // trim(cyc) // 'I5)') j
    else
      write (buf, '(' // trim(cyc) // 'I10)') j
    end if
    call out()
  end do
  do i = 1, 3
    do k = 0, 11
      call indent_format(k, cyc)
      j = k + 1
      if (k == 0) then
        write (buf, '(I10,3X,F10.3)') i, a(i, 1)
      else if (mod(j, 3) == 0) then
        write (buf, '(' // trim(cyc) // 'I5)') int(a(i, j))
      else
        write (buf, '(' // trim(cyc) // 'F10.3)') a(i, j)
      end if
      call out()
    end do
  end do

  ! ---- blocks of 3 rows on pages of 10 lines: columns 1-5, then 6-8
  do j = 1, 8
    do i = 1, 5
      b(i, j) = i + j / 4d0
    end do
  end do
  call start('paged-blocks')
  call ff()
  call put('(31X,A)', 'Paged blocks')
  write (buf, '(A10,5(3X,I10))') 'Row/Column', (j, j = 1, 5); call out()
  do i = 1, 3
    write (buf, '(I10,5(3X,F10.2))') i, b(i, 1:5); call out()
  end do
  call put('(A)', ' ')
  write (buf, '(A10,5(3X,I10))') 'Row/Column', (j, j = 1, 5); call out()
  do i = 4, 5
    write (buf, '(I10,5(3X,F10.2))') i, b(i, 1:5); call out()
  end do
  call ff()
  call put('(18X,A)', 'Paged blocks')
  write (buf, '(A10,3(3X,I10))') 'Row/Column', (j, j = 6, 8); call out()
  do i = 1, 3
    write (buf, '(I10,3(3X,F10.2))') i, b(i, 6:8); call out()
  end do
  call put('(A)', ' ')
  write (buf, '(A10,3(3X,I10))') 'Row/Column', (j, j = 6, 8); call out()
  do i = 4, 5
    write (buf, '(I10,3(3X,F10.2))') i, b(i, 6:8); call out()
  end do

  ! ---- NaN and infinities under option 4 = 0, then 2, in (F10.3) and (I2)
  ! columns; the words right-aligned, and where a word does not fit (two
  ! places) the option-0 filler
  call start('special-values')
  call ff()
  call put('(2X,A)', 'Special values')
  write (buf, '(4X,I10,3X,I2)') 1, 2; call out()
  call put('(A)', '1   ..........   ..')
  call put('(A)', '2   ++++++++++   ++')
  call put('(A)', '3   ----------   --')
  call put('(2X,A)', 'Special values')
  write (buf, '(4X,I10,3X,I2)') 1, 2; call out()
  write (buf, '(I1,3X,A10,3X,A2)') 1, 'NaN', '..'; call out()
  write (buf, '(I1,3X,A10,3X,A2)') 2, 'Inf', '++'; call out()
  write (buf, '(I1,3X,A10,3X,A2)') 3, '-Inf', '--'; call out()

  ! ---- an integer matrix: (I 5) from the largest magnitude, 5000
  call start('integer-matrix')
  call ff()
  call put('(13X,A)', 'Integers')
  write (buf, '(A10,3(3X,I5))') 'Row/Column', 1, 2, 3; call out()
  write (buf, '(I10,3(3X,I5))') 1, 1, 300, 5000; call out()
  write (buf, '(I10,3(3X,I5))') 2, -20, 4, -6; call out()

  ! ---- user labels broken at "%/": values beside the first label line, then
  ! (option 2 = 5, option 16 = 0) beside the last
  call start('user-labels')
  call ff()
  call put('(12X,A)', 'Labelled')
  write (buf, '(11X,A8)') 'First'; call out()
  write (buf, '(A8,3X,A8,3X,A10)') 'Quantity', 'run', 'Second run'; call out()
  write (buf, '(A,T12,F8.2,5X,F8.2)') 'Mean', 1.5d0, -2.25d0; call out()
  call put('(A)', 'value')
  write (buf, '(A,T12,F8.2,5X,F8.2)') 'Spread', 30.125d0, 4d0; call out()
  call put('(12X,A)', 'Labelled')
  write (buf, '(11X,A8)') 'First'; call out()
  write (buf, '(A8,3X,A8,3X,A10)') 'Quantity', 'run', 'Second run'; call out()
  call put('(A)', 'Mean')
  write (buf, '(A,T12,F8.2,5X,F8.2)') 'value', 1.5d0, -2.25d0; call out()
  write (buf, '(A,T12,F8.2,5X,F8.2)') 'Spread', 30.125d0, 4d0; call out()

  ! ---- a title longer than a page 30 wide: cut at the width (allowance 0),
  ! then broken at blanks (allowance 10); the 2 x 2 block continues its rows
  call start('long-title')
  call ff()
  call put('(A)', 'Solution values of the constra')
  call put('(2X,A)', 'ined least squares problem')
  write (buf, '(4X,A10,3X,I10)') 'Row/Column', 1; call out()
  write (buf, '(18X,I10)') 2; call out()
  write (buf, '(4X,I10,3X,I10)') 1, 1; call out()
  write (buf, '(18X,I10)') 3; call out()
  write (buf, '(4X,I10,3X,I10)') 2, 2; call out()
  write (buf, '(18X,I10)') 4; call out()
  call ff()
  call put('(1X,A)', 'Solution values of the')
  call put('(A)', 'constrained least squares')
  call put('(9X,A)', 'problem')
  write (buf, '(1X,A10,3X,I10)') 'Row/Column', 1; call out()
  write (buf, '(15X,I10)') 2; call out()
  write (buf, '(1X,I10,3X,I10)') 1, 1; call out()
  write (buf, '(15X,I10)') 3; call out()
  write (buf, '(1X,I10,3X,I10)') 2, 2; call out()
  write (buf, '(15X,I10)') 4; call out()

  ! ---- option 1 = 1: the whole block centred on the page (centre 39)
  call start('centred')
  call ff()
  call put('(36X,A)', 'Centred')
  write (buf, '(21X,A10,2(3X,I10))') 'Row/Column', 1, 2; call out()
  write (buf, '(21X,I10,2(3X,I10))') 1, 1, 3; call out()
  write (buf, '(21X,I10,2(3X,I10))') 2, 2, 4; call out()

  ! ---- titled vectors as the constrained least-squares solver prints them
  call start('solver-vectors')
  call ff()
  call put('(24X,A)', 'Solution Values')
  write (buf, '(A10,4(3X,I10))') ' Component', 1, 2, 3, 4; call out()
  write (buf, '(13X,F10.3,3(3X,F10.3))') 0.5d0, -1.25d0, 2d0, 1d-3; call out()
  call ff()
  call put('(9X,A)', 'Columns Used')
  write (buf, '(A10,4(3X,I2))') ' Component', 1, 2, 3, 4; call out()
  write (buf, '(13X,I2,3(3X,I2))') 2, 4, 1, 3; call out()

contains

  subroutine start(name)
    character(len=*), intent(in) :: name
    write (*, '(A)') '#case ' // name
  end subroutine

  subroutine ff()
    write (*, '(A)') char(12)
  end subroutine

  ! The rendered line without its trailing blanks; an empty line is one blank.
  subroutine out()
    if (len_trim(buf) == 0) then
      write (*, '(A)') ' '
    else
      write (*, '(A)') trim(buf)
    end if
  end subroutine

  subroutine put(f, text)
    character(len=*), intent(in) :: f, text
    write (buf, f) text
    call out()
  end subroutine

  ! Positions of continuation line k on the narrow page: 13 blanks, then the
  ! extra indent 1, 2, 3, 4, 0, ...
  subroutine indent_format(k, f)
    integer, intent(in) :: k
    character(len=*), intent(out) :: f
    integer :: extra
    extra = mod(k - 1, 5) + 1
    if (extra == 5) extra = 0
    write (f, '(I0,"X,")') 13 + extra
  end subroutine

end program matrix_prints
