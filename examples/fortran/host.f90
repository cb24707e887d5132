! An example Fortran host: creates a 2D and a 3D test seabed, generates both,
! loads them, asks for elevations, slopes and normals, and frees the arrays.
! Linked against the library at build time:
!   gfortran seabed_interfaces.f90 host.f90 -L<prefix>/lib -lseabed -o fortran_host
!   x86_64-w64-mingw32-gfortran -static seabed_interfaces.f90 host.f90 lib/seabed.lib -o fortran_host.exe
! Run in a scratch folder: it writes fortran_2d.sbd and fortran_3d.sbd there.
! Stops with a non-zero code at the first failure.
program fortran_host
  use, intrinsic :: iso_c_binding
  use seabed_interfaces
  implicit none
  character(len=*), parameter :: file_2d = 'fortran_2d.sbd', file_3d = 'fortran_3d.sbd'
  integer(c_int32_t), parameter :: unit = 20

  call profile_2d()
  call surface_3d()
  print '(a)', 'fortran host: done'

contains

  subroutine check(what, status)
    character(len=*), intent(in) :: what
    integer(c_int32_t), intent(in) :: status
    if (status /= 0) then
      print '(a, a, i0)', what, ': status ', status
      error stop 1
    end if
  end subroutine

  subroutine create_and_generate(name, type)
    character(len=*), intent(in) :: name
    integer(c_int32_t), intent(in) :: type
    integer(c_int32_t) :: status, duplicates
    call seabed_create_test_file(len(name, c_int32_t), name, type)
    call seabed_generate(len(name, c_int32_t), name, status, duplicates)
    call check('seabed_generate '//name, status)
    call open_seabed_file(len(name, c_int32_t), name, unit, status)
    call check('open_seabed_file '//name, status)
  end subroutine

  subroutine profile_2d()
    type(seabed_desc2) :: profile
    type(seabed_desc1) :: slopes
    real(c_float), pointer :: p(:, :), m(:)
    integer(c_int32_t) :: n, status, segment
    integer(c_int64_t) :: memory
    real(c_double) :: y, x_linear, x_cubic, slope
    integer :: k

    call create_and_generate(file_2d, 1_c_int32_t)
    memory = 0
    call load_seabed_2d(len(file_2d, c_int32_t), file_2d, unit, SEABED_2D_SPLINE, n, profile, slopes, memory, status)
    call check('load_seabed_2d', status)
    ! Column 1 elevations X, column 2 coordinates Y.
    call c_f_pointer(profile%base, p, [int(n), 2])
    call c_f_pointer(slopes%base, m, [int(n)])
    print '(a, i0, a, i0, a)', '2D profile: ', n, ' nodes, ', memory, ' bytes'
    segment = 0
    do k = 0, 4
      y = 0.25d0 * k
      call find_segment(p, n, y, segment)
      slope = 0
      call interpolate_2d_linear(y, n, p, x_linear, slope, segment)
      call interpolate_2d_cubic(y, n, p, m, x_cubic, slope, segment)
      print '(a, f5.2, a, i0, a, f9.5, a, f9.5, a, f9.5)', '  y ', y, '  segment ', segment, &
            '  linear ', x_linear, '  cubic ', x_cubic, '  slope ', slope
    end do
    ! The linear profile passes through its nodes.
    y = p(2, 2)
    call interpolate_2d_linear(y, n, p, x_linear, slope, segment)
    if (x_linear /= p(2, 1)) error stop 2
    call free_seabed_2d(profile, slopes)
    if (c_associated(profile%base)) error stop 3
  end subroutine

  subroutine surface_3d()
    type(seabed_desc2) :: nodes, gradients
    type(seabed_desc1) :: iadj, istart
    real(c_float), pointer :: xyz(:, :), grad(:)
    integer(c_int32_t), pointer :: adj(:), start(:)
    integer(c_int32_t) :: n, nt, nadj, status, i1, i2, i3, walk
    integer(c_int64_t) :: memory
    real(c_double) :: y, z, x_linear, x_cubic, normal(3)

    call create_and_generate(file_3d, 2_c_int32_t)
    memory = 0
    call load_seabed_3d(len(file_3d, c_int32_t), file_3d, unit, SEABED_3D_CUBIC, n, nt, nadj, nodes, gradients, &
                        iadj, istart, memory, status)
    call check('load_seabed_3d', status)
    call c_f_pointer(nodes%base, xyz, [int(n), 3])
    call c_f_pointer(gradients%base, grad, [2 * int(n)])
    call c_f_pointer(iadj%base, adj, [int(nadj)])
    call c_f_pointer(istart%base, start, [int(n)])
    print '(a, i0, a, i0, a, i0, a)', '3D surface: ', n, ' nodes, ', nt, ' triangles, ', memory, ' bytes'

    ! The mean horizontal position of the nodes lies inside their hull.
    y = sum(real(xyz(:, 2), c_double)) / n
    z = sum(real(xyz(:, 3), c_double)) / n
    i1 = 0; i2 = 0; i3 = 0; walk = 0
    call find_triangle(y, z, n, nadj, nodes, iadj, istart, i1, i2, i3)
    if (i1 < 1) error stop 4
    call interpolate_3d_linear(y, z, n, nadj, xyz, adj, start, x_linear, normal, walk, status)
    call check('interpolate_3d_linear', status)
    call interpolate_3d_cubic(y, z, n, nadj, xyz, adj, start, grad, x_cubic, normal, walk, status)
    call check('interpolate_3d_cubic', status)
    print '(a, 2f10.3, a, 3(1x, i0), a, f9.4, a, f9.4, a, 3f8.4)', '  at', y, z, '  triangle', i1, i2, i3, &
          '  linear ', x_linear, '  cubic ', x_cubic, '  normal', normal
    if (abs(norm2(normal) - 1) > 1d-6) error stop 5

    ! Far outside: no triangle, and the elevation marks it.
    y = -1d6
    call find_triangle(y, z, n, nadj, nodes, iadj, istart, i1, i2, i3)
    call interpolate_3d_cubic(y, z, n, nadj, xyz, adj, start, grad, x_cubic, normal, walk, status)
    if (i1 /= -1 .or. status /= 0 .or. x_cubic > -1d38) error stop 6
    print '(a)', '  outside: no triangle'

    call free_seabed_3d(nodes, gradients, iadj, istart)
    if (c_associated(nodes%base) .or. c_associated(gradients%base)) error stop 7
  end subroutine
end program fortran_host
