! Produces expected texts for the record library's tests (run by hand, not part of the build).
program gen
  implicit none
  character(len=1) :: kind
  integer :: bits, ios, ival, i, n
  real :: r, back
  character(len=64) :: fmt
  character(len=300) :: line, out, text
  character(len=200) :: msg
  character(len=60) :: rt(5)
  character(len=20) :: it(5)
  character(len=8) :: rb(5), ib(5)
  character(len=12), parameter :: rfmt(5) = [character(len=12) :: '(f10.2)', '(f12.3)', '(f12.2)', '(1pe12.4)', '(1pe10.4)']
  character(len=12), parameter :: ifmt(5) = [character(len=12) :: '(i5)', '(i2.2)', '(i8)', '(i11)', '(i3.3)']
  integer, parameter :: rw(5) = [10, 12, 12, 12, 10]
  integer, parameter :: iw(5) = [5, 2, 8, 11, 3]

  ! 1. hand-picked write cases
  open(10, file='write_in.txt', status='old')
  open(11, file='write_table.txt', status='replace')
  do
    read(10, '(a)', iostat=ios) line
    if (ios /= 0) exit
    kind = line(1:1)
    read(line(3:10), '(z8)') bits
    fmt = line(12:)
    out = ' '
    if (kind == 'r') then
      r = transfer(bits, r)
      write(out, fmt) r
    else
      write(out, fmt) bits
    end if
    write(11, '(a,1x,z8.8,1x,a,a,a,a)') kind, bits, trim(fmt), '|', trim(out), '|'
  end do
  close(10); close(11)

  ! 2. random reals: texts under five layouts and the values read back from them
  open(10, file='round_in.txt', status='old')
  open(11, file='round_table.txt', status='replace')
  do
    read(10, '(z8)', iostat=ios) bits
    if (ios /= 0) exit
    r = transfer(bits, r)
    do i = 1, 5
      rt(i) = ' '
      write(rt(i), rfmt(i)) r
      read(rt(i)(1:rw(i)), rfmt(i), iostat=ios) back
      if (ios == 0) then
        write(rb(i), '(z8.8)') transfer(back, bits)
      else
        rb(i) = '--------'
      end if
    end do
    write(11, '(z8.8,5(a,a),a,5(1x,a8))') bits, ('|', rt(i)(1:rw(i)), i = 1, 5), '|', rb
  end do
  close(10); close(11)

  ! 3. random integers
  open(10, file='round_int_in.txt', status='old')
  open(11, file='round_int_table.txt', status='replace')
  do
    read(10, *, iostat=ios) ival
    if (ios /= 0) exit
    do i = 1, 5
      it(i) = ' '
      write(it(i), ifmt(i)) ival
      read(it(i)(1:iw(i)), ifmt(i), iostat=ios) n
      if (ios == 0) then
        write(ib(i), '(z8.8)') n
      else
        ib(i) = '--------'
      end if
    end do
    write(11, '(i11,5(a,a),a,5(1x,a8))') ival, ('|', it(i)(1:iw(i)), i = 1, 5), '|', ib
  end do
  close(10); close(11)

  ! 4. read cases: layout|text| -> value bits or the failure text
  open(10, file='read_in.txt', status='old')
  open(11, file='read_table.txt', status='replace')
  do
    read(10, '(a)', iostat=ios) line
    if (ios /= 0) exit
    i = index(line, '|')
    fmt = line(1:i-1)
    text = line(i+1:)
    n = index(text, '|', back=.true.)
    text = text(1:n-1)
    msg = ' '
    if (index(fmt, 'i') > 0) then
      read(text(1:max(n-1,1)), fmt, iostat=ios, iomsg=msg) ival
      if (ios == 0) then
        write(11, '(a,a,a,a,z8.8)') trim(fmt), '|', text(1:n-1), '|', ival
      else
        write(11, '(a,a,a,a,a)') trim(fmt), '|', text(1:n-1), '|', trim(msg)
      end if
    else
      read(text(1:max(n-1,1)), fmt, iostat=ios, iomsg=msg) r
      if (ios == 0) then
        write(11, '(a,a,a,a,z8.8)') trim(fmt), '|', text(1:n-1), '|', transfer(r, bits)
      else
        write(11, '(a,a,a,a,a)') trim(fmt), '|', text(1:n-1), '|', trim(msg)
      end if
    end if
  end do
  close(10); close(11)
end program
