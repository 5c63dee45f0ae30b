! Rescanning reference of the combiner, straight from the step list.
program combref
  implicit none
  character(len=340) :: h1, h2
  character(len=180) :: oline
  character(len=80) :: arec, irec
  character(len=8) :: akey, okey, ikey
  real :: adist, arc, idist, cy1q, obkt(2,12,31,24), xl
  integer :: iy, im, id, ij, ih, izero, iaerobs, iall, kaer
  integer :: nexp, yy, mm, dd, hh, mi, idur
  real :: dist, arcv, q, obk, omax, cmax, cy, cmaxq, cyq, sy, phic
  logical :: found
  character(len=*), parameter :: rep = &
    '(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)'
  obkt = -99999.0
  izero = 0; iaerobs = 0; iall = 0
  open(9, file='hdr.txt', status='old')
  read(9,'(a)') h1
  read(9,'(a)') h2
  close(9)
  open(10, file='TLV-Combined-NoFill-Results.txt', status='replace')
  write(10,'(a)') h1(1:336)
  write(10,'(a)') h2(1:334)
  open(11, file='TolvernOBSAnalysisNoFill.txt', status='old')
  open(12, file='TLV-iscst3-Results.txt', status='old')
  open(13, file='Tlvcutsurf-all.txt', status='old')
  read(13,'(a)')
  do
    read(13,'(i2,2i3,i4,i3,t57,f8.1)', end=100) iy, im, id, ij, ih, xl
    if (iy >= 80 .and. iy <= 81 .and. im >= 1 .and. im <= 12 .and. id >= 1 .and. &
        id <= 31 .and. ih >= 1 .and. ih <= 24) obkt(iy-79, im, id, ih) = xl
  end do
100 close(13)
  open(14, file='TLV-AERMOD-Results.txt', status='old')
  read(14,'(a)')
  read(14,'(a)')
  do
    read(14,'(a80)', end=200) arec
    read(arec,'(3x,a8,4x,f9.3)') akey, adist
    kaer = int(adist/1000.0)
    rewind(11)
    read(11,'(a)')
    read(11,'(a)')
    found = .false.
    do
      read(11,'(a180)', end=110) oline
      read(oline,'(t11,a8,t43,f5.2)') okey, arc
      if (okey == akey .and. int(arc) == kaer) then
        found = .true.
        exit
      end if
    end do
110 continue
    if (.not. found) cycle
    iaerobs = iaerobs + 1
    rewind(12)
    read(12,'(a)')
    read(12,'(a)')
    found = .false.
    do
      read(12,'(a80)', end=120) irec
      read(irec,'(3x,a8,4x,f9.3)') ikey, idist
      if (ikey == okey .and. int(idist/1000.0) == int(arc)) then
        found = .true.
        exit
      end if
    end do
120 continue
    if (.not. found) cycle
    iall = iall + 1
    read(irec,'(t55,g10.0)') cy1q
    if (cy1q <= 0.0) then
      izero = izero + 1
      cycle
    end if
    read(oline, rep) nexp, yy, mm, dd, hh, mi, idur, dist, arcv, q, obk, omax, cmax, cy, &
      cmaxq, cyq, sy, phic
    obk = -99999.0
    if (yy >= 80 .and. yy <= 81 .and. mm >= 1 .and. mm <= 12 .and. dd >= 1 .and. &
        dd <= 31 .and. hh >= 1 .and. hh <= 24) obk = obkt(yy-79, mm, dd, hh)
    write(oline, rep) nexp, yy, mm, dd, hh, mi, idur, dist, arcv, q, obk, omax, cmax, cy, &
      cmaxq, cyq, sy, phic
    write(10,'(a180,2a80)') oline, arec, irec
  end do
200 continue
  write(10,'(1x,a17,1x,i0)') '    ISC Zero Cy: ', izero
  write(10,'(1x,a17,1x,i0)') '    Iaerobs:     ', iaerobs
  write(10,'(1x,a17,1x,i0)') '    iallthree:   ', iall
end program combref
