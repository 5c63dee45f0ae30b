program mkobs
  implicit none
  character(len=*), parameter :: rep = &
    '(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)'
  integer :: n(7)
  real :: r(11)
  integer :: k, ios
  open(20, file='obsvalues.txt', status='old')
  open(21, file='TolvernOBSAnalysisNoFill.txt', status='replace')
  write(21,'(20x,a)') '  DUR     Dist         Arc           Q    Hanna-Paine-OBK       OMAX'
  write(21,'(4x,a)') ' Exp  YYMMDDHHMM (min)    (km)         (km)        (g/s)         (m)'
  do
    read(20,*,iostat=ios) n, r
    if (ios /= 0) exit
    write(21, rep) n, r
  end do
end program mkobs
