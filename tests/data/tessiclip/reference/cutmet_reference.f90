! Reference cutter used by hand (gfortran) to produce expected output texts for
! the tessiclip tests. It rereads the surface file for every dates record and the
! profile file for every hour, the slow and obvious way; the build never uses it.
!   gfortran -O0 -ffp-contract=off -o cutref cutmet_reference.f90
!   (cd <folder with the inputs> && cutref < replies.txt)
! Output records end with LF; the tests expect CR LF (sed 's/$/\r/').
program cutmet_reference
  implicit none
  character(len=30) :: reply
  character(len=100) :: hdr
  character(len=165) :: sbuf, pbuf
  integer :: iy, im, id, ih, jy, jm, jd, jh, ios, istat, kst
  integer :: nobk, nprof, nsurf, iua, isf
  logical :: hdrdone
  real :: h, zic, zim, obk, z0, ws, temp, zmix
  integer, external :: obk2kst

  nobk = 0
  nprof = 0
  nsurf = 0
  hdrdone = .false.
  open (10, file='CutmetSummary.txt')
1 write (*, *) ' Dates filename: '
  read (*, *) reply
  open (11, file=trim(reply), status='old', iostat=ios)
  if (ios /= 0) goto 1
2 write (*, *) ' AERMET surf input ALL hours filename: '
  read (*, *) reply
  open (12, file=trim(reply), status='old', iostat=ios)
  if (ios /= 0) goto 2
  read (12, '(a100)') hdr
  open (13, file='cutsurf.txt')
  write (13, '(a100)') hdr
3 write (*, *) ' AERMET prof input ALL hours filename: '
  read (*, *) reply
  open (14, file=trim(reply), status='old', iostat=ios)
  if (ios /= 0) goto 3
  open (15, file='cutprof.txt')
  open (16, file='cutiscst3.txt')

  do
    read (11, '(i2,3i3)', end=99) iy, im, id, ih
    rewind (12)
    read (12, '(a100)') hdr
    do
      read (12, '(a165)', end=50) sbuf
      read (sbuf, '(i2,2i3,4x,i3)') jy, jm, jd, jh
      if (.not. hdrdone) then
        hdrdone = .true.
        read (hdr, '(t41,i5,t58,i5)') iua, isf
        write (16, '(t8,i5,t20,i2,t29,i5,t44,i2)') isf, jy, iua, jy
      end if
      if (jy /= iy .or. jm /= im .or. jd /= id .or. jh /= ih) cycle
      read (sbuf, '(t56,f9.1)') obk
      if (obk <= -99999.0) then
        nobk = nobk + 1
        write (10, '('' NoOBK: '',i3,'' No Aermet OBK data for: '',4i3)') nobk, iy, im, id, ih
        goto 60
      end if
      call searchprof(iy, im, id, ih, pbuf, istat)
      if (istat /= 0) then
        nprof = nprof + 1
        write (10, '('' NoProf: '',i3,'' No Prof data for: '',4i3)') nprof, iy, im, id, ih
        goto 60
      end if
      write (13, '(a165)') sbuf
      write (15, '(a165)') pbuf
      read (sbuf, '(t16,f7.1,t44,2f6.0,f9.1,f8.4,t88,f7.2,t109,f7.1)') h, zic, zim, obk, z0, ws, temp
      if (h > 0.0) then
        zmix = zic
      else
        zmix = zim
      end if
      kst = obk2kst(obk, h, z0)
      write (16, '(4i2,2f9.4,f6.1,i2,2f7.1)') iy, im, id, ih, 90.0, ws, temp, kst, zmix, zmix
      goto 60
    end do
50  if (iy /= 0 .and. im /= 0) then
      nsurf = nsurf + 1
      write (10, '('' NoSurf: '',i3,'' No Surf data for: '',4i3)') nsurf, iy, im, id, ih
    end if
60  continue
  end do
99 continue
end program cutmet_reference

subroutine searchprof(iy, im, id, ih, pbuf, istat)
  implicit none
  integer :: iy, im, id, ih, istat, jy, jm, jd, jh
  character(len=165) :: pbuf
  rewind (14)
  istat = -1
  do
    read (14, '(a165)', end=10) pbuf
    read (pbuf, '(i2,3i3)') jy, jm, jd, jh
    if (jy == iy .and. jm == im .and. jd == id .and. jh == ih) then
      istat = 0
      return
    end if
  end do
10 return
end subroutine searchprof

integer function obk2kst(obk, h, z0)
  implicit none
  real :: obk, h, z0, r, a(6), b(5), p
  real, parameter :: c(6) = (/-0.0875, -0.03849, -0.00807, 0.0, 0.00807, 0.03849/)
  real, parameter :: e(6) = (/-0.1029, -0.1714, -0.3049, 0.0, -0.3049, -0.1714/)
  integer :: k
  do k = 1, 6
    if (k == 4) then
      a(k) = 0.0
    else
      p = real(dble(z0)**dble(e(k)))
      a(k) = real(dble(c(k))*dble(p))
    end if
  end do
  do k = 1, 5
    b(k) = real((dble(a(k)) + dble(a(k + 1)))*0.5d0)
  end do
  r = 1.0/obk
  obk2kst = 4
  if (h > 0.0) then
    do k = 1, 3
      if (b(k) > r) then
        obk2kst = k
        exit
      end if
    end do
  else if (h < 0.0) then
    if (r > b(5)) then
      obk2kst = 6
    else if (r > b(4)) then
      obk2kst = 5
    end if
  end if
  if (obk <= -99999.0) obk2kst = -9
end function obk2kst
